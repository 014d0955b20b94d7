// One line of text on a picture through fontconfig and FreeType. Faces are opened once per
// process and kept; a process-wide lock serialises their use, since a FreeType face holds one
// active size and is not safe for concurrent use.
#include "imaging/TextRenderer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace ocv {
namespace {

constexpr uint8_t kShiftJisCharSet = 128;
constexpr uint8_t kNonAntialiasedQuality = 3;
constexpr int kDefaultCharHeight = 12;  // character height for a style height of 0

struct ResolvedFont {
    FT_Face face = nullptr;      // the face the style names (or its substitute)
    FT_Face fallback = nullptr;  // a face with Japanese glyphs for characters the face lacks
    bool fakeBold = false;
    bool fakeItalic = false;
    bool fallbackFakeBold = false;
    bool fallbackFakeItalic = false;
};

using FontKey = std::tuple<std::string, bool, bool, bool>;  // name, bold, italic, Japanese

struct FontCache {
    std::mutex mutex;
    FT_Library library = nullptr;
    bool initialised = false;
    std::map<std::pair<std::string, int>, FT_Face> faces;
    std::map<FontKey, ResolvedFont> resolved;
};

FontCache& Cache() {
    static FontCache* cache = new FontCache;  // lives for the whole process
    return *cache;
}

FT_Face OpenFace(FontCache& cache, const std::string& file, int index) {
    const auto key = std::make_pair(file, index);
    auto it = cache.faces.find(key);
    if (it != cache.faces.end()) return it->second;
    FT_Face face = nullptr;
    if (FT_New_Face(cache.library, file.c_str(), index, &face) != 0) face = nullptr;
    if (face && !FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        face = nullptr;
    }
    cache.faces[key] = face;
    return face;
}

// Asks fontconfig for the best face; tells whether bold or italic must be synthesised.
FT_Face MatchFace(FontCache& cache, const std::string& family, bool bold, bool italic,
                  bool japanese, bool& fakeBold, bool& fakeItalic) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    if (!family.empty()) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    if (japanese) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return nullptr;
    FcChar8* file = nullptr;
    int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcBool embolden = FcFalse;
    FcMatrix* matrix = nullptr;
    FT_Face face = nullptr;
    FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
    const bool sheared = FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        face = OpenFace(cache, reinterpret_cast<const char*>(file), index);
    }
    FcPatternDestroy(match);
    // fontconfig's rules for synthetic styles mark the match (embolden, a shear matrix) and
    // report the asked weight and slant; either sign means the face itself lacks the style.
    fakeBold = bold && (embolden || weight < FC_WEIGHT_DEMIBOLD);
    fakeItalic = italic && (sheared || slant == FC_SLANT_ROMAN);
    return face;
}

const ResolvedFont* Resolve(FontCache& cache, const TextStyle& style) {
    if (!cache.initialised) {
        cache.initialised = true;
        if (!FcInit() || FT_Init_FreeType(&cache.library) != 0) cache.library = nullptr;
    }
    if (!cache.library) return nullptr;
    const bool bold = style.weight >= 600;
    const bool italic = style.italic != 0;
    // Only the bytes before the first terminator count, like a fixed-size face-name field.
    const std::string name = style.faceName.substr(0, style.faceName.find('\0'));
    const bool japanese = style.charSet == kShiftJisCharSet;
    const FontKey key{name, bold, italic, japanese};
    auto it = cache.resolved.find(key);
    if (it != cache.resolved.end()) return it->second.face ? &it->second : nullptr;
    ResolvedFont font;
    font.face = MatchFace(cache, name, bold, italic, japanese, font.fakeBold, font.fakeItalic);
    font.fallback = MatchFace(cache, std::string(), bold, italic, true, font.fallbackFakeBold,
                              font.fallbackFakeItalic);
    if (!font.face) {
        font.face = font.fallback;
        font.fakeBold = font.fallbackFakeBold;
        font.fakeItalic = font.fallbackFakeItalic;
    }
    auto& stored = cache.resolved[key] = font;
    return stored.face ? &stored : nullptr;
}

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<uint8_t>(text[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        bool ok = len > 0 && i + len <= text.size();
        for (int k = 1; ok && k < len; ++k) {
            const auto cc = static_cast<uint8_t>(text[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += len;
    }
    return out;
}

// Sizes of a face for the style, in pixels.
struct FaceMetrics {
    int ascent = 0;
    int descent = 0;
    int underlinePos = 0;  // below the baseline, positive downwards
    int underlineThickness = 1;
    int strikePos = 0;  // above the baseline
    int strikeThickness = 1;
};

// Sets the face's size from the style and returns its metrics. The cell height of a TrueType
// face is its Windows ascent plus descent; a positive style height is that cell, a negative one
// the em (character) height.
FaceMetrics SizeFace(FT_Face face, const TextStyle& style) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const double upem = face->units_per_EM ? face->units_per_EM : 1000;
    double cellUnits = face->ascender - face->descender;
    double ascUnits = face->ascender;
    double descUnits = -face->descender;
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        ascUnits = os2->usWinAscent;
        descUnits = os2->usWinDescent;
        cellUnits = ascUnits + descUnits;
    }
    if (cellUnits <= 0) cellUnits = upem;
    double ppem;
    if (style.height > 0) {
        ppem = style.height * upem / cellUnits;
    } else if (style.height < 0) {
        ppem = -static_cast<double>(style.height);
    } else {
        ppem = kDefaultCharHeight;
    }
    ppem = std::clamp(ppem, 1.0, 2048.0);
    double ppemX = ppem;
    if (style.width > 0 && os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0) {
        ppemX = std::clamp(style.width * upem / os2->xAvgCharWidth, 1.0, 4096.0);
    }
    FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(ppemX * 64)),
                     static_cast<FT_F26Dot6>(std::lround(ppem * 64)), 72, 72);
    const double scale = ppem / upem;
    FaceMetrics m;
    m.ascent = static_cast<int>(std::lround(ascUnits * scale));
    m.descent = static_cast<int>(std::lround(descUnits * scale));
    if (style.height > 0 && m.ascent + m.descent != style.height) {
        m.descent = style.height - m.ascent;  // the cell is exactly the asked height
    }
    m.underlinePos = std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
    m.underlineThickness =
        std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        m.strikePos = static_cast<int>(std::lround(os2->yStrikeoutPosition * scale));
        m.strikeThickness = std::max(1, static_cast<int>(std::lround(os2->yStrikeoutSize * scale)));
    } else {
        m.strikePos = m.ascent / 3;
        m.strikeThickness = m.underlineThickness;
    }
    return m;
}

struct Glyph {
    int left = 0;  // offset of the bitmap from the pen position
    int top = 0;   // rows of the bitmap above the baseline
    int width = 0;
    int rows = 0;
    int advance = 0;
    std::vector<uint8_t> coverage;  // 0..255 per pixel
};

// Renders every character into coverage bitmaps and returns the line's advance.
int LayoutGlyphs(const ResolvedFont& font, const TextStyle& style, const std::u32string& text,
                 std::vector<Glyph>& glyphs) {
    const bool mono = style.quality == kNonAntialiasedQuality;
    const FT_Int32 loadFlags = FT_LOAD_DEFAULT | (mono ? FT_LOAD_TARGET_MONO : 0);
    bool fallbackSized = false;
    int pen = 0;
    for (char32_t cp : text) {
        if (cp < 0x20 || cp == 0x7F) continue;  // control characters take no room
        FT_Face face = font.face;
        bool fakeBold = font.fakeBold, fakeItalic = font.fakeItalic;
        FT_UInt index = FT_Get_Char_Index(face, cp);
        if (index == 0 && font.fallback && font.fallback != font.face) {
            const FT_UInt alt = FT_Get_Char_Index(font.fallback, cp);
            if (alt != 0) {
                if (!fallbackSized) {
                    SizeFace(font.fallback, style);
                    fallbackSized = true;
                }
                face = font.fallback;
                index = alt;
                fakeBold = font.fallbackFakeBold;
                fakeItalic = font.fallbackFakeItalic;
            }
        }
        if (FT_Load_Glyph(face, index, loadFlags) != 0) continue;
        FT_GlyphSlot slot = face->glyph;
        if (fakeBold) FT_GlyphSlot_Embolden(slot);
        if (fakeItalic) FT_GlyphSlot_Oblique(slot);
        if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
            continue;
        }
        Glyph g;
        const FT_Bitmap& bm = slot->bitmap;
        g.left = pen + slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(bm.width);
        g.rows = static_cast<int>(bm.rows);
        g.coverage.resize(static_cast<size_t>(g.width) * g.rows);
        for (int y = 0; y < g.rows; ++y) {
            const uint8_t* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
            for (int x = 0; x < g.width; ++x) {
                uint8_t a;
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                    a = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
                    a = bm.num_grays == 256
                            ? row[x]
                            : static_cast<uint8_t>(row[x] * 255 / std::max(1, bm.num_grays - 1));
                } else {
                    a = 0;
                }
                g.coverage[static_cast<size_t>(y) * g.width + x] = a;
            }
        }
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        pen += g.advance;
        glyphs.push_back(std::move(g));
    }
    return pen;
}

// Paints with top-down coordinates on the bottom-up picture, clipped.
class Painter {
public:
    explicit Painter(CDibImage& image)
        : bits_(image.GetBits()), w_(image.Width()), h_(image.Height()), stride_(image.Stride()) {}

    void Fill(int x0, int y0, int x1, int y1, uint32_t color) {
        x0 = std::max(x0, 0), y0 = std::max(y0, 0);
        x1 = std::min(x1, w_), y1 = std::min(y1, h_);
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = Row(y) + 3 * x0;
            for (int x = x0; x < x1; ++x, p += 3) Put(p, color, 255);
        }
    }

    void Blit(const Glyph& g, int originX, int baselineY, uint32_t color) {
        for (int gy = 0; gy < g.rows; ++gy) {
            const int y = baselineY - g.top + gy;
            if (y < 0 || y >= h_) continue;
            uint8_t* row = Row(y);
            for (int gx = 0; gx < g.width; ++gx) {
                const int x = originX + g.left + gx;
                if (x < 0 || x >= w_) continue;
                const uint8_t a = g.coverage[static_cast<size_t>(gy) * g.width + gx];
                if (a) Put(row + 3 * x, color, a);
            }
        }
    }

private:
    uint8_t* Row(int y) { return bits_ + static_cast<size_t>(h_ - 1 - y) * stride_; }
    static void Put(uint8_t* p, uint32_t color, int alpha) {
        const int rgb[3] = {static_cast<int>((color >> 16) & 0xFF),
                            static_cast<int>((color >> 8) & 0xFF), static_cast<int>(color & 0xFF)};
        for (int c = 0; c < 3; ++c) {  // p is blue, green, red
            p[c] =
                static_cast<uint8_t>(alpha == 255 ? rgb[c] : p[c] + (rgb[c] - p[c]) * alpha / 255);
        }
    }

    uint8_t* bits_;
    int w_, h_;
    uint32_t stride_;
};

}  // namespace

bool MeasureTextLine(const TextStyle& style, const std::string& text, TextExtent& extent) {
    FontCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    const ResolvedFont* font = Resolve(cache, style);
    if (!font) return false;
    const FaceMetrics m = SizeFace(font->face, style);
    std::vector<Glyph> glyphs;
    extent.width = LayoutGlyphs(*font, style, DecodeUtf8(text), glyphs);
    extent.height = m.ascent + m.descent;
    return true;
}

bool DrawTextLine(CDibImage& image, const TextStyle& style, const std::string& text,
                  int vertPosition, int horzPosition, std::string& error) {
    FontCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    const ResolvedFont* font = Resolve(cache, style);
    if (!font) {
        error = "Print text failed! [CreateFont() Failed!]";
        return false;
    }
    const FaceMetrics m = SizeFace(font->face, style);
    std::vector<Glyph> glyphs;
    const int textWidth = LayoutGlyphs(*font, style, DecodeUtf8(text), glyphs);
    const int cellHeight = m.ascent + m.descent;
    const int w = image.Width();
    const int h = image.Height();
    const int x0 = horzPosition == 1 ? (w - textWidth) / 2 : horzPosition == 2 ? w - textWidth : 0;
    const int y0 = vertPosition == 1   ? (h - cellHeight) / 2
                   : vertPosition == 2 ? h - cellHeight
                                       : 0;
    const int baseline = y0 + m.ascent;

    Painter painter(image);
    const auto textColor = static_cast<uint32_t>(style.textColor);
    if (style.transparentText <= 0) {
        painter.Fill(x0, y0, x0 + textWidth, y0 + cellHeight,
                     static_cast<uint32_t>(style.textBkColor));
    }
    for (const Glyph& g : glyphs) painter.Blit(g, x0, baseline, textColor);
    if (style.underline) {
        const int top = baseline + m.underlinePos - m.underlineThickness / 2;
        painter.Fill(x0, top, x0 + textWidth, top + m.underlineThickness, textColor);
    }
    if (style.strikeOut) {
        const int top = baseline - m.strikePos;
        painter.Fill(x0, top, x0 + textWidth, top + m.strikeThickness, textColor);
    }
    return true;
}

bool CDibImage::PrintText(const TextStyle& style, const std::string& text, int vertPosition,
                          int horzPosition) {
    if (!block_) return false;
    errorText_.clear();
    std::string error;
    if (!DrawTextLine(*this, style, text, vertPosition, horzPosition, error)) {
        errorText_ = error;
        return false;
    }
    return true;
}

}  // namespace ocv

// fontconfig keeps a few bytes of its default configuration unreachable after the first match;
// that is the library's own one-time state, not a leak of ours. Every program that draws text
// links this file, so the leak checker of sanitizer builds is told here, once. (Unused in
// other builds.)
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
