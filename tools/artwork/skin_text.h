// The artwork's view of a skin text: its AddResource, Set and AddControl lines as token lists.
// The generator lays its pictures out by the skin the editor shows them with, so the skin text
// stays the one place that says where everything is and how large each picture is.
//
// The plug-in's own parser builds resources and controls and needs the whole framework; this
// reader only splits lines into tokens (blanks separate them, double quotes keep blanks in one,
// a line starting with '#' is a comment) and keeps the three kinds of line the artwork needs.
#pragma once

#include <string>
#include <vector>

namespace art {

struct SkinLine {
    int number = 0;  // line number in the file, from 1
    std::vector<std::string> tokens;  // without the command word
};

struct SkinText {
    std::vector<SkinLine> resources;  // AddResource name type arguments...
    std::vector<SkinLine> settings;  // Set key value...
    std::vector<SkinLine> controls;  // AddControl page x y width height type arguments...
};

// Reads the skin text at path; false with a message in error when it cannot be read.
bool readSkinText(const std::string& path, SkinText& skin, std::string& error);

// Case-insensitive comparison, as the skin's keywords are read.
bool sameWord(const std::string& a, const char* b);

}  // namespace art
