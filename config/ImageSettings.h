#pragma once
// The picture-editing records shared by every delivery target: the text style of a caption and
// the image settings (naming, format, editing, frame picture, encoder options) of one target.
// Text fields hold UTF-8; their capacities count bytes including the terminator of the stored
// form, so a field holds at most capacity - 1 bytes.
#include <cstdint>
#include <string>

namespace ocv {

// Formats of "Image File Format", stored in the document as the words "BMP", "JPEG", "PNG", "GIF".
enum ImageFileFormat : int32_t {
    IMAGE_FORMAT_BMP = 0,
    IMAGE_FORMAT_JPEG = 1,
    IMAGE_FORMAT_PNG = 2,
    IMAGE_FORMAT_GIF = 3,
};

// Vertical and horizontal caption positions.
enum TextVertPosition : int32_t { TEXT_VERT_TOP = 0, TEXT_VERT_CENTER = 1, TEXT_VERT_BOTTOM = 2 };
enum TextHorzPosition : int32_t { TEXT_HORZ_LEFT = 0, TEXT_HORZ_CENTER = 1, TEXT_HORZ_RIGHT = 2 };

// Text style of a caption: a logical-font record followed by colours, transparency and position.
struct TextStyle {
    static constexpr size_t kFaceNameCapacity = 32;  // bytes including the terminator

    int32_t height = 14;                     // "Height"
    int32_t width = 0;                       // "Width"
    int32_t escapement = 0;                  // "Escapement"
    int32_t orientation = 0;                 // "Orientation"
    int32_t weight = 400;                    // "Weight"
    uint8_t italic = 0;                      // "Italic"
    uint8_t underline = 0;                   // "Underline"
    uint8_t strikeOut = 0;                   // "StrikeOut"
    uint8_t charSet = 128;                   // "CharSet" (Shift-JIS character set)
    uint8_t outPrecision = 4;                // "OutPrecision"
    uint8_t clipPrecision = 0;               // "ClipPrecision"
    uint8_t quality = 0;                     // "Quality"
    uint8_t pitchAndFamily = 4;              // "PitchAndFamily"
    std::string faceName = "ＭＳ ゴシック";  // "FaceName", text 32
    int32_t textColor = 0xFFFFFF;            // "Text Color", COLORREF (red in the low byte), white
    int32_t textBkColor = 0;                 // "Text Bk Color", COLORREF, black
    int32_t transparentText = 1;             // "Transparent Text" flag
    int32_t vertPosition = 0;  // "Vert Position" (TextVertPosition); 2 for the date/time style
    int32_t horzPosition = 0;  // "Horz Position" (TextHorzPosition)

    bool operator==(const TextStyle&) const = default;
};

// Image settings of one delivery target (element "Image").
struct ImageSettings {
    static constexpr size_t kFilenameCapacity = 256;            // "Image Filename"
    static constexpr size_t kFrameImageFileNameCapacity = 260;  // "Frame Image File Name"
    static constexpr int32_t kDefaultExtra = 50;

    std::string imageFilename;                    // "Image Filename", text 256 (differs per target)
    int32_t enableAddNameCounter = 0;             // "Enable Add Name Counter" flag
    int32_t enableAddNameDate = 0;                // "Enable Add Name Date" flag
    int32_t enableAddNameTime = 0;                // "Enable Add Name Time" flag
    int32_t imageFileFormat = IMAGE_FORMAT_JPEG;  // "Image File Format" (ImageFileFormat)
    float resizeRate = 1.0f;                      // "Resize Rate"
    int32_t rotate = 0;                           // "Rotate", quarter turns
    int32_t enableGrayScale = 0;                  // "Enable Gray Scale" flag
    int32_t enablePrintDate = 1;                  // "Enable Print Date" flag
    int32_t enablePrintTime = 1;                  // "Enable Print Time" flag
    int32_t enablePrintName = 1;                  // "Enable Print Name" flag
    TextStyle fontDateTime{.vertPosition = TEXT_VERT_BOTTOM};  // element "FontDateTime"
    TextStyle fontName;                                        // element "FontName"
    int32_t enableFrameImage = 0;                              // "Enable Frame Image" flag
    std::string frameImageFileName;  // "Frame Image File Name", text 260 ("<dir>/logo.jpg")
    int32_t frameTransparentColor = 0xFF00FF;  // "Frame Transparent Color", magenta
    int32_t frameTransparentRange = 128;       // "Frame Transparent Range"
    int32_t jpegQuality = 100;                 // "JPEG Quality"
    int32_t pngBitCount = 8;                   // "PNG Bit Count"
    int32_t pngPaletteNo = 0;                  // "PNG Palette NO"
    int32_t pngReduceType = 1;                 // "PNG Reduce Type"
    int32_t extra = kDefaultExtra;             // further setting, not stored in the document

    bool operator==(const ImageSettings&) const = default;
};

}  // namespace ocv
