#pragma once

#include <QDialog>
#include <functional>

class QPrinter;
class TReportDocument;

// The preview window: maximised, modal above the program's windows, one page
// at a time zoomed to fit, with page buttons, Print and Save. Exec() returns when
// the window closes.
class TReportPreview : public QDialog {
    Q_OBJECT
public:
    explicit TReportPreview(TReportDocument& doc, const QString& title, QWidget* parent = nullptr);
    ~TReportPreview() override;

    // How the preview asks for a file to save to (PDF offered) and for the
    // printer: the program routes both through its message service, so that
    // tests can answer them. Defaults: Qt's standard dialogs.
    using TFileAsker =
        std::function<bool(const QString& caption, const QString& filter, QString& file)>;
    using TPrinterAsker = std::function<bool(QPrinter& printer)>;
    using TErrorShower = std::function<void(const QString& message)>;
    static void SetFileAsker(TFileAsker asker);
    static void SetPrinterAsker(TPrinterAsker asker);
    static void SetErrorShower(TErrorShower shower);

    TReportDocument& Document() const;

    int CurrentPage() const;  // 0-based
    void ShowPage(int index);

    // Shows the window maximised and waits for it to close.
    int Exec();

    bool SavePdf();   // the "Save" button
    bool PrintAll();  // the "Print" button

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool Guarded(const std::function<void()>& f);
    void UpdateLabel();
    void LayoutMore();
    void Zoom();
    struct TPrivate;
    std::unique_ptr<TPrivate> d;
};
