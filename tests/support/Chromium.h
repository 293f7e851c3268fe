#pragma once
// Pages drawn by headless Chromium into PNG and PDF files for a person to
// look at,
// and a check that a picture shows something besides its background
// (tests/templates/check_png.py).

#include <string>

namespace tv::test {

// Draws the page (a native path) into a 1280x1600 PNG with a profile
// folder of its own; Chromium's messages are appended to logFile. True when
// the picture was made.
bool RenderPagePng(const std::string& page, const std::string& png, const std::string& logFile);

// Prints the page into a PDF (Chromium's default paper, no header or
// footer) in the same way. True when the file was made.
bool PrintPagePdf(const std::string& page, const std::string& pdf, const std::string& logFile);

// check_png.py's verdict (0 drawn, 1 blank, 2 unreadable); `summary` gets
// its line "<width> <height> <pixels unlike the background> <colours>".
int CheckPng(const std::string& png, std::string& summary);

}  // namespace tv::test
