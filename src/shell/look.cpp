#include "shell/look.h"

#include <QApplication>
#include <QFontInfo>
#include <QHash>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

#include "platform/qtcompat.h"

namespace app {

namespace {

// A family the desktop lacks would send every font made from it through the font system's
// fallback search. A missing sans-serif family is therefore replaced by the family the desktop
// resolved for its own (sans-serif) default font; the answer is kept for the run.
QString availableFamily(const QString& family, bool serif) {
    static QHash<QString, QString> resolved;
    const auto known = resolved.constFind(family);
    if (known != resolved.constEnd())
        return *known;
    QString use = family;
    if (!serif && !platform::compat::hasFontFamily(family))
        use = QFontInfo(QApplication::font()).family();
    resolved.insert(family, use);
    return use;
}

} // namespace

QFont windowFont(const QString& family, int pointSize, bool bold) {
    const bool serif = family.contains(QStringLiteral("Times"));
    QFont font(availableFamily(family, serif), pointSize, bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(serif ? QFont::Serif : QFont::SansSerif);
    return font;
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void makeDisabledLabel(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::WindowText));
    label->setPalette(palette);
    label->setEnabled(false);
}

QLabel* sheetLabel(QWidget* parent, const QString& text, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    makeDisabledLabel(label);
    setBackground(label, silver());
    return label;
}

QPushButton* commandButton(QWidget* parent, const QString& caption, const QFont& font) {
    auto* button = new QPushButton(caption, parent);
    button->setFont(font);
    return button;
}

} // namespace app
