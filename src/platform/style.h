#pragma once

#include <QProxyStyle>

namespace platform {

// The application's style: the desktop's own, except that the pictures of the menu bar's and
// the tool bars' extension buttons are read only when such a button is first drawn. Qt reads
// them from PNG files when the bars are made, which loads every image format plugin at start-up
// for buttons that a window wide enough never shows.
class ApplicationStyle final : public QProxyStyle {
    Q_OBJECT
public:
    // `base`: the style to follow (taken over), or nullptr for the desktop's default style.
    explicit ApplicationStyle(QStyle* base = nullptr);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace platform
