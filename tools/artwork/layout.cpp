#include "layout.h"

#include <cstdlib>

#include "skin_text.h"

namespace art {

namespace {

// Reads the skin's lines into a layout, remembering the first thing that is missing.
class LayoutReader {
public:
    LayoutReader(const SkinText& skin, std::string& error) : skin_(skin), error_(error) {}

    bool read(Layout& l)
    {
        l.width = setting("Width");
        l.height = setting("Height");
        const SkinLine* background = resource(settingText("BackgroundImage"));
        if (background) l.background = strip(*background);
        for (int i = 0; i < 3; ++i) {
            const SkinLine* knob = control("ZImgPot", i, 8);
            const SkinLine* value = control("ZValue", i, 8);
            if (knob) {
                l.knobs[i] = rect(*knob);
                if (const SkinLine* image = resource(knob->tokens[7])) l.knob = strip(*image);
            }
            if (value) {
                l.values[i] = rect(*value);
                if (const SkinLine* font = resource(value->tokens[7])) l.valueText = fontColour(*font);
            }
        }
        if (const SkinLine* toggle = control("ZImgSwitch", 0, 8)) {
            l.toggleRect = rect(*toggle);
            if (const SkinLine* image = resource(toggle->tokens[7])) l.toggle = strip(*image);
        }
        for (int i = 0; i < 2; ++i) {
            if (const SkinLine* wave = control("ZWave", i, 12)) {
                l.waves[i] = rect(*wave);
                l.back = colour(wave->tokens[9]);
                l.fore = colour(wave->tokens[10]);
                l.axis = colour(wave->tokens[11]);
            }
        }
        if (const SkinLine* graph = control("SarvoGraph", 0, 11)) {
            l.graph = rect(*graph);
            l.plot = Rect{number(graph->tokens[6]), number(graph->tokens[7]), number(graph->tokens[8]),
                          number(graph->tokens[9])};
            l.curve = colour(graph->tokens[10]);
        }
        return error_.empty();
    }

private:
    void fail(const std::string& what)
    {
        if (error_.empty()) error_ = what;
    }

    static int number(const std::string& token) { return std::atoi(token.c_str()); }

    const SkinLine* settingLine(const char* key)
    {
        for (const SkinLine& s : skin_.settings)
            if (s.tokens.size() >= 2 && sameWord(s.tokens[0], key)) return &s;
        fail(std::string("no Set ") + key + " line");
        return nullptr;
    }
    int setting(const char* key)
    {
        const SkinLine* s = settingLine(key);
        return s ? number(s->tokens[1]) : 0;
    }
    std::string settingText(const char* key)
    {
        const SkinLine* s = settingLine(key);
        return s ? s->tokens[1] : std::string();
    }

    // The last resource of that name (a later line replaces an earlier one, as in the editor),
    // with at least minTokens tokens.
    const SkinLine* resource(const std::string& name, size_t minTokens = 2)
    {
        const SkinLine* found = nullptr;
        for (const SkinLine& r : skin_.resources)
            if (r.tokens.size() >= minTokens && r.tokens[0] == name) found = &r;
        if (!found) fail("no resource " + name);
        return found;
    }

    // The index-th control of that type, with at least minTokens tokens.
    const SkinLine* control(const char* type, int index, size_t minTokens)
    {
        for (const SkinLine& c : skin_.controls) {
            if (c.tokens.size() < 6 || !sameWord(c.tokens[5], type)) continue;
            if (index-- > 0) continue;
            if (c.tokens.size() < minTokens) {
                fail("line " + std::to_string(c.number) + ": too few arguments for " + type);
                return nullptr;
            }
            return &c;
        }
        fail(std::string("too few ") + type + " controls");
        return nullptr;
    }

    static Rect rect(const SkinLine& c)
    {
        return Rect{number(c.tokens[1]), number(c.tokens[2]), number(c.tokens[3]), number(c.tokens[4])};
    }

    // PngResource lines: name PngResource type resource frameWidth frameHeight frames.
    Strip strip(const SkinLine& r)
    {
        if (r.tokens.size() < 7 || !sameWord(r.tokens[1], "PngResource")) {
            fail("line " + std::to_string(r.number) + ": " + r.tokens[0] + " is not a PngResource");
            return Strip{};
        }
        return Strip{number(r.tokens[4]), number(r.tokens[5]), number(r.tokens[6])};
    }

    // RGBColour lines: name RGBColour r g b.
    Rgb colour(const std::string& name)
    {
        const SkinLine* r = resource(name);
        if (!r) return Rgb{};
        if (r->tokens.size() < 5 || !sameWord(r->tokens[1], "RGBColour")) {
            fail("line " + std::to_string(r->number) + ": " + name + " is not an RGBColour");
            return Rgb{};
        }
        return Rgb{number(r->tokens[2]), number(r->tokens[3]), number(r->tokens[4])};
    }

    // DefFont lines: name DefFont height colour.
    Rgb fontColour(const SkinLine& r)
    {
        if (r.tokens.size() < 4 || !sameWord(r.tokens[1], "DefFont")) {
            fail("line " + std::to_string(r.number) + ": " + r.tokens[0] + " is not a DefFont");
            return Rgb{};
        }
        return colour(r.tokens[3]);
    }

    const SkinText& skin_;
    std::string& error_;
};

}  // namespace

bool loadLayout(const std::string& path, Layout& layout, std::string& error)
{
    SkinText skin;
    error.clear();
    if (!readSkinText(path, skin, error)) return false;
    layout = Layout{};
    if (!LayoutReader(skin, error).read(layout)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace art
