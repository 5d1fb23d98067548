#pragma once

namespace ui {

// The maker's web page: the Homepage button, its hint, the information dialog and the About message.
inline constexpr char WebAddress[] = "https://numberwell.example.org/";

} // namespace ui
