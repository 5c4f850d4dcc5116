#pragma once
// The program's name and version as the About window and the desktop entry show them.

namespace velmora {

inline constexpr const char* kProgramName = "Velmora";
inline constexpr const char* kProgramVersion = "0.1.0";
// The caption of the main window.
inline constexpr const char* kMainCaption = "Velmora Professional Edition";
// What Help, Velmora Home Page opens.
inline constexpr const char* kHomePageAddress = "https://velmora.example.org/";
// The user guide in the program folder, opened by Help, Content.
inline constexpr const char* kHelpFileName = "velmora-help.html";

}  // namespace velmora
