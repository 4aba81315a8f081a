#include "skin_text.h"

#include <cctype>
#include <cstring>
#include <fstream>

namespace art {

namespace {

std::vector<std::string> tokenise(const std::string& line)
{
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i >= line.size()) break;
        std::string token;
        if (line[i] == '"') {
            const size_t end = line.find('"', i + 1);
            token = line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            i = end == std::string::npos ? line.size() : end + 1;
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) token += line[i++];
        }
        tokens.push_back(token);
    }
    return tokens;
}

}  // namespace

bool sameWord(const std::string& a, const char* b)
{
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool readSkinText(const std::string& path, SkinText& skin, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the skin " + path;
        return false;
    }
    skin = SkinText{};
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::vector<std::string> tokens = tokenise(line);
        if (tokens.empty() || tokens[0][0] == '#') continue;
        std::vector<SkinLine>* kind = nullptr;
        if (sameWord(tokens[0], "AddResource"))
            kind = &skin.resources;
        else if (sameWord(tokens[0], "Set"))
            kind = &skin.settings;
        else if (sameWord(tokens[0], "AddControl"))
            kind = &skin.controls;
        if (kind) kind->push_back(SkinLine{number, std::vector<std::string>(tokens.begin() + 1, tokens.end())});
    }
    return true;
}

}  // namespace art
