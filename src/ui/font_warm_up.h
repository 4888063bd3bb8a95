// The fonts, made ready on a thread of their own while the program starts.
//
// Qt reads the system's font configuration (fontconfig's XML files, some fifty here, and its
// caches) when the first text is laid out, which for the window is the skin's first widget: about
// 10 ms of one core before the window can map. Then it lists every font of the system into its
// font database, another 2 ms. Started at
// once, the configuration loads beside connecting to the display; once the application exists,
// the same thread fills the font database, which Qt shares between threads. The page waits for
// what is left of it before it builds its first widget.
#pragma once

namespace melko::ui {

// Starts loading the font configuration; once per program, on the main thread, before any text
// is laid out.
void StartFontWarmUp();

// Lets the thread go on, once the application object exists, to fill Qt's font database.
void WarmUpFontDatabase();

// Waits until the work started above has finished (at once when none was started). Called before
// the first widget is built, so that Qt finds it done instead of doing it a second time alongside.
void FinishFontWarmUp();

}  // namespace melko::ui
