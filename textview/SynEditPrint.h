#pragma once
// Prints a source text page by page: the JSON colours on white paper, margins in millimetres from the
// paper's edge, a header with the title and a footer with the page number, line numbers and a tab
// width of its own; lines too long for the page wrap onto further rows.

#include <QString>

#include <string_view>

class QFont;
class QPrinter;

// Distances in millimetres.
struct TSynEditPrintMargins {
    double Left = 25;
    double Right = 15;
    double Top = 25; // to the text
    double Bottom = 25;
    double Header = 15; // from the top edge to the header line
    double Footer = 15; // from the bottom edge to the footer line
    double LeftHFTextIndent = 2; // header and footer texts, from the left and right margins
    double RightHFTextIndent = 2;
    double HFInternalMargin = 0.5; // between a header or footer text and its rule
    bool MirrorMargins = false; // even pages swap left and right
};

class TSynEditPrint {
public:
    TSynEditPrintMargins Margins;
    bool LineNumbers = true;
    int TabWidth = 8;
    bool WhiteBackground = true; // colours of the text kept, backgrounds white
    int Copies = 1;
    QString Title; // the header's text

    // Prints the whole of AText (UTF-8) in AFont; returns the number of pages (0 when the printer
    // could not start).
    int Print(QPrinter& APrinter, std::string_view AText, const QFont& AFont) const;
};
