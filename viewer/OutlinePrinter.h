#pragma once
// Prints the outline tree the way it is displayed: the rows that are shown (children of collapsed
// nodes are not), with their pictures, indentation and columns, under the column header that starts
// every page, scaled so that the columns fill the width of the page. A page break never cuts a row.

class QModelIndex;
class QPrinter;
class TOutlineTreeView;

class TOutlinePrinter {
public:
    // Prints ATree; returns the number of pages (0 when the printer could not start).
    static int Print(QPrinter& APrinter, const TOutlineTreeView& ATree);
    // Rows that fit on a page below the header (at least one).
    static int RowsPerPage(double APageHeight, int AHeaderHeight, int ARowHeight);
};
