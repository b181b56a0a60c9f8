#include "uFlags.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtMath>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uMessages.h"

namespace {

constexpr int kIconsPerSet = 8;

const QColor& Tint(int i) {
    static const QColor colors[kIconsPerSet] = {QColor(0xd6, 0x27, 0x28), QColor(0xff, 0x7f, 0x0e),
                                                QColor(0xe8, 0xc2, 0x1b), QColor(0x2c, 0xa0, 0x2c),
                                                QColor(0x17, 0xbe, 0xcf), QColor(0x1f, 0x77, 0xb4),
                                                QColor(0x94, 0x67, 0xbd), QColor(0x7f, 0x7f, 0x7f)};
    return colors[((i % kIconsPerSet) + kIconsPerSet) % kIconsPerSet];
}

QPolygonF Star(double cx, double cy, double r, int points = 5) {
    QPolygonF p;
    for (int i = 0; i < points * 2; ++i) {
        const double a = -M_PI / 2 + i * M_PI / points;
        const double rr = i % 2 ? r * 0.45 : r;
        p << QPointF(cx + rr * std::cos(a), cy + rr * std::sin(a));
    }
    return p;
}

// Draws icon idx of set on a 16 × 16 canvas.
void Draw(QPainter& p, int set, int idx) {
    const QColor c = Tint(idx);
    const QPen outline(c.darker(160), 1);
    p.setPen(outline);
    p.setBrush(c);
    switch (set) {
        case 1:  // a flag on its pole
            p.drawLine(QPointF(3, 1.5), QPointF(3, 15));
            p.drawPolygon(QPolygonF({{3.5, 2}, {14, 4.5}, {3.5, 8.5}}));
            break;
        case 2:    // a face
        case 3: {  // a mood: the mouth changes
            p.setBrush(set == 2 ? c : QColor(0xf5, 0xd0, 0x3b));
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(Qt::black);
            p.drawEllipse(QRectF(5, 5, 1.6, 1.6));
            p.drawEllipse(QRectF(9.4, 5, 1.6, 1.6));
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::black, 1));
            const int span = set == 2 ? -180 : (idx % 3 == 0 ? -180 : idx % 3 == 1 ? 0 : 180);
            if (span == 0)
                p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
            else
                p.drawArc(QRectF(5, span < 0 ? 7 : 9.5, 6, 4), 0, span * 16);
            break;
        }
        case 4:  // an insect
            p.drawEllipse(QRectF(5, 3, 6, 11));
            p.drawEllipse(QRectF(6, 0.5, 4, 3.5));
            for (double y : {6.0, 9.0, 12.0}) {
                p.drawLine(QPointF(5, y), QPointF(1.5, y - 1.5));
                p.drawLine(QPointF(11, y), QPointF(14.5, y - 1.5));
            }
            break;
        case 5:  // a shape
            switch (idx % 4) {
                case 0:
                    p.drawEllipse(QRectF(2, 2, 12, 12));
                    break;
                case 1:
                    p.drawRect(QRectF(2.5, 2.5, 11, 11));
                    break;
                case 2:
                    p.drawPolygon(QPolygonF({{8, 1.5}, {14.5, 14}, {1.5, 14}}));
                    break;
                default:
                    p.drawPolygon(QPolygonF({{8, 1}, {15, 8}, {8, 15}, {1, 8}}));
                    break;
            }
            break;
        case 6:  // a key
            p.drawEllipse(QRectF(1.5, 4.5, 7, 7));
            p.drawRect(QRectF(8, 7, 7, 2));
            p.drawRect(QRectF(11, 9, 1.5, 3));
            p.drawRect(QRectF(13.5, 9, 1.5, 2.5));
            break;
        case 7:  // a lock
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(4, 1.5, 8, 9), 0, 180 * 16);
            p.drawLine(QPointF(4, 6), QPointF(4, 8));
            p.drawLine(QPointF(12, 6), QPointF(12, 8));
            p.setBrush(c);
            p.drawRect(QRectF(2.5, 7.5, 11, 7));
            break;
        case 8:  // a person
            p.drawEllipse(QRectF(5, 1.5, 6, 6));
            p.drawChord(QRectF(2, 8.5, 12, 12), 0, 180 * 16);
            break;
        case 9:  // a diamond
            p.drawPolygon(QPolygonF({{4, 2.5}, {12, 2.5}, {15, 6}, {8, 14.5}, {1, 6}}));
            p.drawLine(QPointF(1, 6), QPointF(15, 6));
            break;
        case 10:  // a star
            p.drawPolygon(Star(8, 8.5, 7));
            break;
        case 11:  // a medal
            p.drawPolygon(
                QPolygonF({{4, 0.5}, {7, 0.5}, {8, 6}, {9, 0.5}, {12, 0.5}, {9.5, 7}, {6.5, 7}}));
            p.setBrush(QColor(0xe8, 0xc2, 0x1b));
            p.drawEllipse(QRectF(3.5, 6.5, 9, 9));
            break;
        case 12: {  // a shield
            QPainterPath path;
            path.moveTo(2, 2);
            path.lineTo(14, 2);
            path.lineTo(14, 8);
            path.quadTo(14, 13, 8, 15);
            path.quadTo(2, 13, 2, 8);
            path.closeSubpath();
            p.drawPath(path);
            break;
        }
        case 13:  // a decoration
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(4.5, 4.5, 7, 7));
            p.setBrush(c);
            p.drawEllipse(QRectF(6.5, 6.5, 3, 3));
            break;
        case 14: {  // a mark: tick, cross, exclamation, question
            p.setPen(QPen(c, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            switch (idx % 4) {
                case 0:
                    p.drawPolyline(QPolygonF({{2.5, 8.5}, {6.5, 12.5}, {13.5, 3.5}}));
                    break;
                case 1:
                    p.drawLine(QPointF(3, 3), QPointF(13, 13));
                    p.drawLine(QPointF(13, 3), QPointF(3, 13));
                    break;
                case 2:
                    p.drawLine(QPointF(8, 2), QPointF(8, 10));
                    p.drawPoint(QPointF(8, 14));
                    break;
                default: {
                    QFont f;
                    f.setPixelSize(15);
                    f.setBold(true);
                    p.setFont(f);
                    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
                    break;
                }
            }
            break;
        }
        case 15: {  // a calendar page
            p.setBrush(Qt::white);
            p.drawRect(QRectF(1.5, 2.5, 13, 12));
            p.setBrush(c);
            p.drawRect(QRectF(1.5, 2.5, 13, 3.5));
            QFont f;
            f.setPixelSize(8);
            p.setFont(f);
            p.setPen(Qt::black);
            p.drawText(QRectF(1.5, 6, 13, 8.5), Qt::AlignCenter, QString::number(idx + 1));
            break;
        }
        default:  // the "System" set of the flag menu
            switch (idx) {
                case 0:  // clear
                    p.setBrush(Qt::NoBrush);
                    p.setPen(QPen(Qt::darkGray, 1.6));
                    p.drawEllipse(QRectF(2, 2, 12, 12));
                    p.drawLine(QPointF(4, 12), QPointF(12, 4));
                    break;
                case 1:  // delete
                    p.setPen(QPen(QColor(0xd6, 0x27, 0x28), 2.4, Qt::SolidLine, Qt::RoundCap));
                    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
                    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
                    break;
                default:  // new
                    p.setPen(QPen(QColor(0x2c, 0xa0, 0x2c), 2.4, Qt::SolidLine, Qt::RoundCap));
                    p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5));
                    p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
                    break;
            }
            break;
    }
}

}  // namespace

const QStringList& FlagSetNames() {
    static const QStringList names = {
        QStringLiteral("Flags"),      QStringLiteral("Faces"),  QStringLiteral("Moods"),
        QStringLiteral("Insects"),    QStringLiteral("Shaps"),  QStringLiteral("Keys"),
        QStringLiteral("Locks"),      QStringLiteral("People"), QStringLiteral("Diamonds"),
        QStringLiteral("Stars"),      QStringLiteral("Medals"), QStringLiteral("Shields"),
        QStringLiteral("Decorators"), QStringLiteral("Marks"),  QStringLiteral("Calendars")};
    return names;
}

int FlagSetSize(int imgId) { return imgId >= 1 && imgId <= 15 ? kIconsPerSet : 3; }

QPixmap FlagIcon(int imgId, int imgIdx, int size) {
    if (imgIdx < 0 || imgIdx >= FlagSetSize(imgId)) return QPixmap();
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    Draw(p, imgId >= 1 && imgId <= 15 ? imgId : 0, imgIdx);
    return pm;
}

// ------------------------------------------------------------ new flag

TfmFlag::TfmFlag(QWidget* parent) : TfmDialog(parent) {
    setObjectName(QStringLiteral("fmFlag"));
    setWindowTitle(QStringLiteral("Setup Flags"));
    BitBtn1->setText(QStringLiteral("Save"));
    BitBtn2->setText(QStringLiteral("Cancel"));
    BitBtn3->hide();
    lbNotes->hide();
    auto* strip = new QHBoxLayout;
    auto* nameLabel = new QLabel(QStringLiteral("Flag Name"), Content);
    ButtonedEdit1Icon = new QToolButton(Content);
    ButtonedEdit1Icon->setAutoRaise(true);
    ButtonedEdit1 = new QLineEdit(QStringLiteral("New Flag"), Content);
    ButtonedEdit1->setObjectName(QStringLiteral("ButtonedEdit1"));
    nameLabel->setBuddy(ButtonedEdit1);
    auto* setLabel = new QLabel(QStringLiteral("Icon Group"), Content);
    cbImg = new QComboBox(Content);
    cbImg->setObjectName(QStringLiteral("cbImg"));
    cbImg->addItems(FlagSetNames());
    setLabel->setBuddy(cbImg);
    strip->addWidget(nameLabel);
    strip->addWidget(ButtonedEdit1Icon);
    strip->addWidget(ButtonedEdit1, 1);
    strip->addWidget(setLabel);
    strip->addWidget(cbImg);
    ListView1 = new QListWidget(Content);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setIconSize(QSize(32, 32));
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setMovement(QListView::Static);
    auto* v = new QVBoxLayout(Content);
    v->addLayout(strip);
    v->addWidget(ListView1, 1);
    SetFormSize(520, 300);
    connect(cbImg, &QComboBox::currentIndexChanged, this, [this]() { cbImgChange(); });
    connect(ListView1, &QListWidget::currentRowChanged, this, [this]() { ListView1Change(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this]() { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this]() { BitBtn2Click(); });
    cbImg->setCurrentIndex(0);
    cbImgChange();
}

void TfmFlag::cbImgChange() {
    if (cbImg->currentIndex() < 0) cbImg->setCurrentIndex(0);
    const int set = cbImg->currentIndex() + 1;
    const QSignalBlocker blocker(ListView1);
    ListView1->clear();
    for (int i = 0; i < FlagSetSize(set); ++i)
        new QListWidgetItem(QIcon(FlagIcon(set, i, 32)), QString::number(i), ListView1);
    FShownIdx = 0;
    ButtonedEdit1Icon->setIcon(QIcon(FlagIcon(set, 0)));
}

void TfmFlag::ListView1Change() {
    const int row = ListView1->currentRow();
    if (row < 0) return;
    FShownIdx = row;
    ButtonedEdit1Icon->setIcon(QIcon(FlagIcon(cbImg->currentIndex() + 1, row)));
}

void TfmFlag::BitBtn1Click() {
    if (ButtonedEdit1->text().isEmpty()) {
        ShowInformation(QStringLiteral("Flag Name cannot be blank"));
        ButtonedEdit1->setFocus();
        return;
    }
    ImgId = cbImg->currentIndex() + 1;
    ImgIdx = FShownIdx;
    accept();
}

// ------------------------------------------------------------ delete flags

TfmFlagDel::TfmFlagDel(const QString& sql, QWidget* parent) : TfmDialog(parent) {
    setObjectName(QStringLiteral("fmFlagDel"));
    setWindowTitle(QStringLiteral("Setup Flags"));
    lbNotes->setText(QStringLiteral("Please Delete Unwanted Flags"));
    BitBtn1->setText(QStringLiteral("Delete"));
    BitBtn2->setText(QStringLiteral("Close"));
    BitBtn3->hide();
    FlagDel_CDS = new TClientDataSet(this);
    FlagDel_CDS->setObjectName(QStringLiteral("FlagDel_CDS"));
    FlagDel_CDS->SetConnection(&dmMain()->SQLConn_Main);
    FlagDel_CDS->UpdateMode = TUpdateMode::WhereAll;
    FlagDel_CDS->UpdateTableName = QStringLiteral("SYS_TABLEFLAG");
    FlagDel_CDS->CommandText = sql;
    FlagDel_DS = new TDataSource(this);
    FlagDel_DS->SetDataSet(FlagDel_CDS);
    DBGrid1 = new TDbGrid(Content);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    auto* v = new QVBoxLayout(Content);
    v->addWidget(DBGrid1);
    SetFormSize(400, 300);
    FlagDel_CDS->Open();
    for (int i = 0; i < FlagDel_CDS->FieldCount(); ++i)
        FlagDel_CDS->Field(i)->Visible = FlagDel_CDS->Field(i)->FieldName == QLatin1String("TITLE");
    FlagDel_CDS->FieldByName(QStringLiteral("TITLE"))->DisplayLabel = QStringLiteral("Flag Name");
    DBGrid1->SetDataSource(FlagDel_DS);
    DBGrid1->setColumnWidth(0, 229);
    connect(BitBtn1, &QPushButton::clicked, this,
            [this]() { RunGuarded([this]() { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this]() { BitBtn2Click(); });
}

void TfmFlagDel::BitBtn1Click() {
    if (FlagDel_CDS->IsEmpty()) return;
    if (FlagDel_CDS->FieldByName(QStringLiteral("READONLY"))->AsInteger() == 1) {
        ShowInformation(QStringLiteral("Cannot delete system flags"));
        return;
    }
    if (!ConfirmYesNo(QStringLiteral("Are you sure to delete: ") +
                      FlagDel_CDS->FieldByName(QStringLiteral("TITLE"))->AsString()))
        return;
    FlagDel_CDS->Delete();
    if (ApplyOrUndo(FlagDel_CDS)) Deleted = true;
}
