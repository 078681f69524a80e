#include "shell/look.h"

#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

namespace app {

QFont windowFont(const QString& family, int pointSize, bool bold) {
    QFont font(family, pointSize, bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(family.contains(QStringLiteral("Times")) ? QFont::Serif : QFont::SansSerif);
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
