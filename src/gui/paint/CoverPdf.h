#pragma once
// The cover as a PDF file: one A4 page at 600 dots per inch, drawn by the same layout and
// canvas as a printed cover.  For the command line, so this header shows no Qt, and the
// work needs no display.
#include <functional>
#include <string>

class CCover;

enum class CoverPdfResult {
    kWritten,
    kPictureUnreadable,  // the background picture cannot be decoded; nothing written
    kNotDrawn,           // the page could not be drawn (a font, or no Qt to draw with)
    kCannotWrite,        // the file could not be written; whatever was there stays
    kStopped,            // stopRequested said so before the file was replaced; nothing written
};

// Writes the cover to path, replacing a file there only once the whole PDF is on disk.
// When the result is not kWritten, problem says why, for a message.  Runs Qt on its
// "offscreen" platform for the call when the process has no Qt application of its own.
// stopRequested, when given, is asked between the steps (picture, drawing, writing).
CoverPdfResult WriteCoverPdf(const CCover& cover, const std::string& path, std::string& problem,
                             const std::function<bool()>& stopRequested = {});
