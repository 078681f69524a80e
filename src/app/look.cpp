#include "app/look.h"

#include "platform/dropdownlistbox.h"
#include "platform/qtcompat.h"

#include <QApplication>
#include <QFontInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

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

void setWindowBackground(QWidget* window) {
    setBackground(window, window->palette().color(QPalette::Button));
}

void makeDisabledLabel(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::WindowText));
    label->setPalette(palette);
    label->setEnabled(false);
}

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, colour);
    label->setPalette(palette);
}

QLabel* disabledLabel(QWidget* parent, const QString& text, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    makeDisabledLabel(label);
    return label;
}

QLabel* sheetLabel(QWidget* parent, const QString& text, const QFont& font) {
    QLabel* label = disabledLabel(parent, text, font);
    setBackground(label, silver());
    return label;
}

QPushButton* commandButton(QWidget* parent, const QString& caption, const QFont& font) {
    auto* button = new QPushButton(caption, parent);
    button->setFont(font);
    return button;
}

QLineEdit* singleLineEdit(QWidget* parent, const QFont& font) {
    auto* edit = new QLineEdit(parent);
    edit->setFont(font);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, Qt::white);
    edit->setPalette(palette);
    return edit;
}

platform::DropDownListBox* dropDownList(QWidget* parent, const QFont& font) {
    auto* list = new platform::DropDownListBox(parent);
    list->setFont(font);
    QPalette palette = list->palette();
    palette.setColor(QPalette::Button, silver());
    palette.setColor(QPalette::Base, silver());
    list->setPalette(palette);
    return list;
}

} // namespace app
