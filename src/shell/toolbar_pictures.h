#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

namespace app {

// The toolbar picture behind a stock picture name ("Save!", "Database!", "Custom082!" ...): the
// desktop icon theme's icon of the same meaning, or a picture of our own where the theme has
// none, so that every button has a picture on any desktop. An unknown name gives a null icon.
QIcon toolbarPicture(const QString& stockName);

// The stock picture names that toolbarPicture knows.
QStringList toolbarPictureNames();

// Our own picture for a stock name, without asking the icon theme.
QIcon fallbackPicture(const QString& stockName);

} // namespace app
