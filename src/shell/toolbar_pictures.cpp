#include "shell/toolbar_pictures.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <array>
#include <map>

namespace app {
namespace {

// Every picture is drawn on a 32 x 32 grid and scaled to the size asked for.
const QColor outline(40, 40, 40);
const QColor paper(255, 255, 255);
const QColor ink(30, 60, 140);
const QColor header(70, 110, 190);
const QColor grid(150, 150, 150);

void page(QPainter& p) {
    QPainterPath path;
    path.moveTo(6, 2);
    path.lineTo(20, 2);
    path.lineTo(26, 8);
    path.lineTo(26, 30);
    path.lineTo(6, 30);
    path.closeSubpath();
    p.setPen(QPen(outline, 1.5));
    p.setBrush(paper);
    p.drawPath(path);
    p.drawLine(QPointF(20, 2), QPointF(20, 8));
    p.drawLine(QPointF(20, 8), QPointF(26, 8));
}

void table(QPainter& p, const QRectF& r, int columns, int rows) {
    p.setPen(QPen(outline, 1.2));
    p.setBrush(paper);
    p.drawRect(r);
    const double rowHeight = r.height() / rows;
    p.fillRect(QRectF(r.left(), r.top(), r.width(), rowHeight), header);
    p.setPen(QPen(grid, 1));
    for (int i = 2; i < rows; ++i)
        p.drawLine(QPointF(r.left(), r.top() + i * rowHeight),
                   QPointF(r.right(), r.top() + i * rowHeight));
    for (int i = 1; i < columns; ++i) {
        const double x = r.left() + i * r.width() / columns;
        p.drawLine(QPointF(x, r.top() + rowHeight), QPointF(x, r.bottom()));
    }
    p.setPen(QPen(outline, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

void floppy(QPainter& p) {
    QPainterPath body;
    body.moveTo(3, 3);
    body.lineTo(25, 3);
    body.lineTo(29, 7);
    body.lineTo(29, 29);
    body.lineTo(3, 29);
    body.closeSubpath();
    p.setPen(QPen(outline, 1.5));
    p.setBrush(QColor(40, 80, 160));
    p.drawPath(body);
    p.setBrush(paper);
    p.drawRect(QRectF(8, 3, 16, 10));
    p.setBrush(QColor(190, 190, 200));
    p.drawRect(QRectF(9, 19, 14, 10));
    p.fillRect(QRectF(18, 21, 3, 6), QColor(40, 80, 160));
}

void sqlWorkspace(QPainter& p) {
    page(p);
    p.setPen(QPen(ink, 2));
    for (double y : {12.0, 16.0, 20.0})
        p.drawLine(QPointF(9, y), QPointF(22, y));
    QPolygonF run{{QPointF(17, 22), QPointF(30, 26.5), QPointF(17, 31)}};
    p.setPen(QPen(QColor(0, 100, 0), 1));
    p.setBrush(QColor(40, 170, 60));
    p.drawPolygon(run);
}

void singleTable(QPainter& p) {
    table(p, QRectF(3, 5, 26, 22), 3, 5);
}

void multiTable(QPainter& p) {
    p.setPen(QPen(QColor(200, 80, 0), 2));
    p.drawLine(QPointF(10, 14), QPointF(22, 20));
    table(p, QRectF(1, 2, 17, 13), 2, 4);
    table(p, QRectF(14, 17, 17, 13), 2, 4);
}

void database(QPainter& p) {
    const QColor body(230, 180, 40);
    p.setPen(QPen(outline, 1.5));
    p.setBrush(body);
    QPainterPath cylinder;
    cylinder.moveTo(5, 7);
    cylinder.lineTo(5, 25);
    cylinder.arcTo(QRectF(5, 21, 22, 8), 180, 180);
    cylinder.lineTo(27, 7);
    p.drawPath(cylinder);
    p.setBrush(body.lighter(125));
    p.drawEllipse(QRectF(5, 3, 22, 8));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 11, 22, 8), 180 * 16, 180 * 16);
    p.drawArc(QRectF(5, 16, 22, 8), 180 * 16, 180 * 16);
}

void save(QPainter& p) {
    floppy(p);
}

void saveAs(QPainter& p) {
    p.save();
    p.scale(0.8, 0.8);
    floppy(p);
    p.restore();
    // a pencil across the corner
    p.setPen(QPen(outline, 1));
    p.setBrush(QColor(240, 150, 30));
    QPolygonF pencil{{QPointF(18, 27), QPointF(28, 17), QPointF(31, 20), QPointF(21, 30)}};
    p.drawPolygon(pencil);
    p.setBrush(QColor(60, 60, 60));
    QPolygonF tip{{QPointF(18, 27), QPointF(21, 30), QPointF(16, 31)}};
    p.drawPolygon(tip);
}

void print(QPainter& p) {
    p.setPen(QPen(outline, 1.5));
    p.setBrush(paper);
    p.drawRect(QRectF(9, 2, 14, 12));
    p.setBrush(QColor(170, 170, 175));
    p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
    p.setBrush(paper);
    p.drawRect(QRectF(8, 20, 16, 10));
    p.setPen(QPen(ink, 1.2));
    p.drawLine(QPointF(11, 24), QPointF(21, 24));
    p.drawLine(QPointF(11, 27), QPointF(19, 27));
    p.fillRect(QRectF(24, 15, 3, 2), QColor(40, 170, 60));
}

void exitDoor(QPainter& p) {
    p.setPen(QPen(outline, 1.5));
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(4, 3, 16, 26));
    p.setBrush(QColor(60, 40, 20));
    p.drawRect(QRectF(7, 6, 10, 23));
    p.setPen(QPen(QColor(0, 110, 0), 1));
    p.setBrush(QColor(40, 170, 60));
    QPolygonF arrow{{QPointF(13, 14), QPointF(22, 14), QPointF(22, 9), QPointF(31, 17),
                     QPointF(22, 25), QPointF(22, 20), QPointF(13, 20)}};
    p.drawPolygon(arrow);
}

void insert(QPainter& p) {
    p.setPen(QPen(QColor(0, 100, 0), 1.5));
    p.setBrush(QColor(50, 180, 70));
    QPolygonF plus{{QPointF(12, 3), QPointF(20, 3), QPointF(20, 12), QPointF(29, 12),
                    QPointF(29, 20), QPointF(20, 20), QPointF(20, 29), QPointF(12, 29),
                    QPointF(12, 20), QPointF(3, 20), QPointF(3, 12), QPointF(12, 12)}};
    p.drawPolygon(plus);
}

void clear(QPainter& p) {
    p.setPen(QPen(QColor(200, 30, 30), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(25, 25));
    p.drawLine(QPointF(25, 7), QPointF(7, 25));
}

void help(QPainter& p) {
    p.setPen(QPen(QColor(20, 50, 120), 1.5));
    p.setBrush(QColor(50, 100, 200));
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setPen(Qt::NoPen);
    p.setBrush(paper);
    p.drawEllipse(QRectF(13.5, 6.5, 5, 5));
    p.drawRoundedRect(QRectF(13.5, 13.5, 5, 12), 1, 1);
}

struct Picture {
    const char16_t* stockName;
    std::array<const char16_t*, 2> themeNames;
    void (*draw)(QPainter&);
};

// The theme names are those of the freedesktop icon naming rules, with a second choice where
// themes differ.
const std::array<Picture, 11> pictures{{
    {u"Custom082!", {u"accessories-text-editor", u"text-x-script"}, &sqlWorkspace},
    {u"Custom050!", {u"x-office-spreadsheet", u"view-list-details"}, &singleTable},
    {u"Sort!", {u"view-sort-ascending", u"view-sort"}, &multiTable},
    {u"Database!", {u"network-server-database", u"network-server"}, &database},
    {u"Save!", {u"document-save", nullptr}, &save},
    {u"SaveAs!", {u"document-save-as", nullptr}, &saveAs},
    {u"Print!", {u"document-print", nullptr}, &print},
    {u"Exit!", {u"application-exit", u"system-log-out"}, &exitDoor},
    {u"Insert5!", {u"list-add", u"insert-object"}, &insert},
    {u"Clear!", {u"edit-delete", u"list-remove"}, &clear},
    {u"Help!", {u"help-about", u"help-contents"}, &help},
}};

const Picture* find(const QString& stockName) {
    for (const Picture& picture : pictures) {
        if (stockName == QStringView(picture.stockName))
            return &picture;
    }
    return nullptr;
}

// The sizes a picture comes in; a size in between is scaled down from the next larger one, and
// none is larger than the largest.
constexpr std::array<int, 5> pictureSizes{16, 22, 24, 32, 48};

QPixmap drawnAt(const Picture& picture, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    picture.draw(painter);
    painter.end();
    return pixmap;
}

// Draws a picture the first time it is asked for at one of its sizes, not every size at start-up:
// a toolbar shows one of them. It answers as an icon of the five pixmaps does.
class PictureEngine final : public QIconEngine {
public:
    explicit PictureEngine(const Picture& picture) : picture_(picture) {}

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min({size.width(), size.height(), pictureSizes.back()});
        return side > 0 ? QSize(side, side) : QSize();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const QSize actual = actualSize(size, mode, state);
        if (actual.isEmpty())
            return {};
        const int side = actual.width();
        const int drawnSide = *std::lower_bound(pictureSizes.begin(), pictureSizes.end(), side);
        auto found = drawn_.find(drawnSide);
        if (found == drawn_.end())
            found = drawn_.emplace(drawnSide, drawnAt(picture_, drawnSide)).first;
        QPixmap pixmap = found->second;
        if (drawnSide != side)
            pixmap = pixmap.scaled(actual, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (mode != QIcon::Normal) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
        }
        return pixmap;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }

    QIconEngine* clone() const override { return new PictureEngine(*this); }
    QString key() const override { return QStringLiteral("dorvane_picture"); }

private:
    const Picture& picture_;
    std::map<int, QPixmap> drawn_;
};

QIcon drawn(const Picture& picture) {
    return QIcon(new PictureEngine(picture));
}

} // namespace

QIcon fallbackPicture(const QString& stockName) {
    const Picture* picture = find(stockName);
    return picture != nullptr ? drawn(*picture) : QIcon();
}

QIcon toolbarPicture(const QString& stockName) {
    const Picture* picture = find(stockName);
    if (picture == nullptr)
        return {};
    for (const char16_t* name : picture->themeNames) {
        if (name != nullptr && QIcon::hasThemeIcon(QString::fromUtf16(name)))
            return QIcon::fromTheme(QString::fromUtf16(name));
    }
    return drawn(*picture);
}

QStringList toolbarPictureNames() {
    QStringList names;
    for (const Picture& picture : pictures)
        names << QString::fromUtf16(picture.stockName);
    return names;
}

} // namespace app
