// The font configuration, loaded on a thread of its own while the program starts.
//
// Qt reads the system's font configuration (fontconfig's XML files, some fifty here, and its
// caches) when the first text is laid out, which for the window is the skin's first widget: about
// 10 ms of one core before the window can map. Started at once, the load runs beside connecting
// to the display and reading the skin's layout file, and the skin's loader waits for what is left
// of it.
#pragma once

namespace melko::ui {

// Starts loading the font configuration; once per program, on the main thread, before any text
// is laid out.
void StartFontWarmUp();

// Waits until the load started above has finished (at once when none was started). Called before
// the first widget is built, so that Qt finds the configuration loaded instead of loading it a
// second time alongside.
void FinishFontWarmUp();

}  // namespace melko::ui
