#pragma once

#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>

class QBoxLayout;
class QChart;
class QChartView;
class QLabel;
class QListWidget;
class QMenu;
class QTableWidget;
class QToolButton;

// The home page: greeting, record counts and sales values, the user's tasks,
// the publisher's notices and a monthly sales chart.
class TfmDefault : public QWidget {
    Q_OBJECT
public:
    explicit TfmDefault(QWidget* parent = nullptr);
    void SetWelcome(const QString& text);

    // "Refresh Statistical Data": paid amounts recalculated, then the
    // counts, the sums, the task lists and the date line.
    void sbRefreshToDoClick();
    // "Refresh Chart": the sales of the twelve latest months with invoices.
    void SpeedButton2Click();
    // The notices; with reloadUrl, downloaded from the publisher first.
    void refreshAnnounceMents(bool reloadUrl);
    // One line per caption: caption (value), money with its mask, 0 for null.
    static void FillStatsBox(const QVariantList& values, const QStringList& captions, bool money,
                             QListWidget* list);
    void FillTodoList(QListWidget* today, QListWidget* recent);
    // Downloads fileURL into FileName, giving up after a few seconds.
    static bool GetInetFile(const QString& fileURL, const QString& FileName);
    void PopupHowToPopup();

    // How a notice's address is opened (the desktop's browser unless
    // replaced) and what a help item does (the main window's help videos).
    static std::function<void(const QUrl&)>& UrlOpener();
    std::function<void(int helpId)> OnHelpItem;
    // Where notices come from: the configuration's [Web] Notices, or the
    // publisher's site.
    static QString NoticeAddress();
    static QString SupportEmail();
    // The longest a notice download may take.
    static int DownloadTimeoutMs;

    QLabel* lbChildName;  // the heading strip's text
    QToolButton* btnHelp;
    QMenu* PopupHowTo;
    QToolButton* sbRefreshToDo;
    QLabel* lbDate;
    QListWidget* lb1;  // Record Counts
    QListWidget* lb2;  // Sales Values
    QListWidget* lb3;  // Today's Task
    QListWidget* lb4;  // Recent Task
    QToolButton* sbAnnouncements;
    QTableWidget* lvA;
    QToolButton* SpeedButton2;
    QChartView* DBChart1;
    // What the chart shows: yyyymm periods and their sums, oldest first.
    QStringList ChartPeriods;
    QStringList ChartValues;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTitleStrip(QBoxLayout* layout);
    void BuildRefreshStrip(QBoxLayout* layout);
    void BuildTaskPanels(QBoxLayout* body);
    void BuildNoticesAndChart(QBoxLayout* body);
    void ConnectCommands();
    void lvASelectItem(int row);
    // Writes the notice file's slots into the notice rows: all or none.
    void StoreNotices(const QString& file);
    void PlaceValueMarks();
    bool FShown = false;
};
