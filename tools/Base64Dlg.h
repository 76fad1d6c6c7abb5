#pragma once
// The Base64 encoder/decoder: text typed or handed in above, its Base64 (or the text a Base64 input
// stands for) below. Nothing flows back to the window that opened it.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class Tdlg_quil_Base64 : public QDialog {
    Q_OBJECT
public:
    explicit Tdlg_quil_Base64(QWidget* AParent = nullptr);

    // Encode: the output becomes the Base64 of the input's UTF-8 bytes (lines of CR LF).
    void bEncClick();
    // Decode: the output becomes the text the input's Base64 stands for. Bytes that are no UTF-8
    // text go to the default error report and the output keeps what it showed.
    void bDecClick();
    // The two boxes swap their texts, so that an output can be fed back as input.
    void bExchangeClick();

    QPlainTextEdit* Memo1 = nullptr; // input
    QWidget* Panel1 = nullptr;
    QPushButton* bEnc = nullptr;
    QPushButton* bExchange = nullptr;
    QPushButton* bDec = nullptr;
    QPlainTextEdit* Memo2 = nullptr; // output, read-only

protected:
    // Keys reach the dialog before the control that has the focus.
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;
    void keyPressEvent(QKeyEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;

private:
    // True when the dialog handled the key itself.
    bool FormKeyDown(QObject* AReceiver, const QKeyEvent* AKey);
    void Panel1Resize();
};

// Creates the dialog owned by AOWNER (and shown above it), puts ATEXT into the input, shows it
// modally and frees it when it closes.
void ShowBase64Dialog(QWidget* AOwner, const QString& AText);
