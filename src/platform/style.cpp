#include "platform/style.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>
#include <QWidget>
#include <optional>

namespace platform {

namespace {

// Stands for the base style's icon until it is first needed, then hands every request to it.
class DeferredIconEngine final : public QIconEngine {
public:
    DeferredIconEngine(const QProxyStyle* style, QStyle::StandardPixmap which,
                       const QStyleOption* option, const QWidget* widget)
        : style_(style), which_(which), widget_(widget) {
        if (option != nullptr)
            option_ = *option; // the general part: direction, state, palette
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }

private:
    const QIcon& icon() {
        if (!icon_) {
            // Guarded: an icon can be kept longer than its style or its button.
            icon_ = style_ != nullptr ? style_->baseStyle()->standardIcon(
                                            which_, option_ ? &*option_ : nullptr, widget_.data())
                                      : QIcon();
        }
        return *icon_;
    }

    QPointer<const QProxyStyle> style_;
    QStyle::StandardPixmap which_;
    QPointer<const QWidget> widget_;
    std::optional<QStyleOption> option_;
    std::optional<QIcon> icon_;
};

} // namespace

ApplicationStyle::ApplicationStyle(QStyle* base) : QProxyStyle(base) {}

QIcon ApplicationStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                     const QWidget* widget) const {
    if (standardIcon == SP_ToolBarHorizontalExtensionButton ||
        standardIcon == SP_ToolBarVerticalExtensionButton)
        return QIcon(new DeferredIconEngine(this, standardIcon, option, widget));
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

} // namespace platform
