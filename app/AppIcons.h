// The program icon and the toolbar bitmaps, drawn in code so they scale to any screen.
#pragma once

#include <QIcon>
#include <QImage>

namespace vantrel {

/// Toolbar bitmap numbers.
namespace bitmap {
inline constexpr int LoadArchive = 24332;
inline constexpr int SaveArchive = 24333;
inline constexpr int ReadRadio = 5;
inline constexpr int ProgramAll = 7;
inline constexpr int PrintPreview = 24337;
inline constexpr int CommSettings = 8;
inline constexpr int HelpIndex = 2001;
}  // namespace bitmap

/// The icon of a toolbar bitmap number; a null icon for unknown numbers.
QIcon toolbarIcon(int bitmapNumber);
/// Application icon 1: a handheld radio over a tuning scale.
QIcon applicationIcon();
/// The application icon drawn at side x side pixels on a transparent ground (the desktop's icons).
QImage applicationIconImage(int side);

}  // namespace vantrel
