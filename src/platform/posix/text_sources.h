// Where the POSIX surface text looks for its renderer and its font.
#pragma once

namespace platform {

// Replaces the FreeType library name and the list of font files tried in order (null keeps the
// built-in choice: "libfreetype.so.6" and the usual locations of DejaVu Sans, Liberation Sans,
// FreeSans and Noto Sans). Unloads what was loaded; the next text call loads again. Meant for
// tests of the fallback when either is missing.
void setTextSources(const char* library, const char* const* fontPaths, int fontPathCount);

// Whether text can be drawn: the library loaded and a font file opened (loads them if needed).
bool textRendererAvailable();

}  // namespace platform
