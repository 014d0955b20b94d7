#include "config/ConfigReference.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "config/ConfigPath.h"
#include "config/KeyMeanings.h"
#include "config/ParamRanges.h"
#include "platform/Files.h"

namespace ocv {
namespace {

// Stands in for the program directory while the defaults are made; no real path starts so.
constexpr const char* kProgramDirMark = "/@program-directory@";

struct BlockTitle {
    const char* block;
    const char* title;
    const char* note;
};

constexpr BlockTitle kTitles[] = {
    {"Log", "Log", "Where the log goes and how much of it."},
    {"MailCommand", "Mail commands",
     "The checker that reads command mails from a POP3 mailbox and answers them by SMTP."},
    {"OcvParam", "Camera name", ""},
    {"Live", "Interval capture", "A picture at a fixed interval while capture runs."},
    {"Motion", "Motion capture",
     "Pictures compared every 500 ms; a change captures pictures and can start a recording."},
    {"SnapShot", "Snapshot",
     "A single picture on request (`kill -USR2`, a mail command); always saved to its local "
     "directory."},
    {"Schedule", "Weekly schedule", "Starts and stops capture at set times on set weekdays."},
    {"WebServer", "Web server",
     "Live Motion-JPEG view for browsers and small still pages for phones."},
    {"Recording", "Recording",
     "A video file of the live pictures, on request (`kill -USR1`) or on motion."},
    {"DeviceInfo", "Camera device", "Which camera the pictures come from."},
    {"ConditionSetting", "Camera window", "Start-up state and place of the camera's window."},
    {"Local", "Local directory target", "Writes the files into a directory."},
    {"FTP", "FTP target", "Uploads the files to an FTP server."},
    {"SMTP", "E-mail target", "Sends the pictures by e-mail."},
    {"Image", "Image settings",
     "How a target names, edits and encodes its picture: scale, rotate, frame picture, grey, "
     "date, time and name printed on it, then the file format."},
    {"Font", "Caption style",
     "Text style of a caption printed on the picture: `FontDateTime` for the date and time, "
     "`FontName` for the camera name."},
};

const BlockTitle* TitleOf(const std::string& block) {
    for (const BlockTitle& t : kTitles)
        if (block == t.block) return &t;
    return nullptr;
}

// One key of a block with its default at every place the block occurs.
struct Row {
    const KeyInfo* info;
    std::vector<std::pair<std::string, std::string>> defaults;  // (prefix, default as shown)
};

// All keys of one block, with the places (path prefixes) where it occurs.
struct Table {
    std::string block;
    std::vector<std::string> prefixes;
    std::vector<Row> rows;
};

std::string PrefixOf(const KeyInfo& k) {
    size_t cut = k.path.size() - k.key.size();
    return cut == 0 ? std::string() : k.path.substr(0, cut - 1);
}

std::string ShownDefault(const std::string& text, const std::string& home) {
    if (!home.empty() && text == home) return "<home directory>";
    const std::string mark = kProgramDirMark;
    if (text.rfind(mark, 0) == 0) return "<program directory>" + text.substr(mark.size());
    return text;
}

std::vector<Table> GroupByBlock(const std::vector<KeyInfo>& keys, const std::string& home) {
    std::vector<Table> tables;
    for (const KeyInfo& k : keys) {
        Table* t = nullptr;
        for (Table& x : tables)
            if (x.block == k.block) t = &x;
        if (!t) t = &tables.emplace_back(Table{k.block, {}, {}});
        const std::string prefix = PrefixOf(k);
        bool known = false;
        for (const std::string& p : t->prefixes) known = known || p == prefix;
        if (!known) t->prefixes.push_back(prefix);
        Row* r = nullptr;
        for (Row& x : t->rows)
            if (x.info->key == k.key) r = &x;
        if (!r) r = &t->rows.emplace_back(Row{&k, {}});
        r->defaults.emplace_back(prefix, ShownDefault(k.defaultText, home));
    }
    return tables;
}

// A table cell: no line breaks, no column separators.
std::string Cell(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '|') out += "\\|";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string Code(const std::string& text) {
    std::string out(1, '`');
    out += Cell(text);
    out += '`';
    return out;
}

// Running text in a cell: characters that Markdown would take as emphasis are escaped outside
// code spans.
std::string Prose(const std::string& text) {
    std::string out;
    bool code = false;
    for (char c : Cell(text)) {
        if (c == '`') code = !code;
        if (!code && (c == '_' || c == '*')) out += '\\';
        out += c;
    }
    return out;
}

bool IsColour(const KeyInfo& k);

const char* MeaningOf(const KeyInfo& k) {
    const KeyMeaning* m = FindKeyMeaning(k.block, k.key);
    return m ? m->meaning : "";
}

std::string TypeOf(const KeyInfo& k) {
    const bool flag = IsFlagMeaning(MeaningOf(k));
    switch (k.kind) {
        case KeyKind::Int: return flag ? "flag (0/1)" : "integer";
        case KeyKind::Byte: return flag ? "flag (0/1)" : "integer (0-255)";
        case KeyKind::Float: return "decimal";
        case KeyKind::Format: return "format word: BMP, JPEG, PNG, GIF";
        case KeyKind::Text:
        case KeyKind::Body: return "text (≤ " + std::to_string(k.capacity - 1) + " bytes)";
    }
    return {};
}

std::string Number(double v, bool colour) {
    char buf[64];
    if (colour && v == std::floor(v))
        std::snprintf(buf, sizeof buf, "0x%06llX", static_cast<unsigned long long>(v));
    else if (v == std::floor(v) && std::fabs(v) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", v);
    else
        std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

bool IsColour(const KeyInfo& k) {
    return std::string_view(MeaningOf(k)).find("0xBBGGRR") != std::string_view::npos;
}

const ParamRange* RangeOf(const KeyInfo& k) {
    return k.elements.empty() ? nullptr : FindParamRange(k.elements.back(), k.key);
}

std::string RangeText(const KeyInfo& k) {
    const ParamRange* r = RangeOf(k);
    if (!r) return "";
    const bool colour = IsColour(k);
    if (r->max >= INT32_MAX) return "≥ " + Number(r->min, colour);
    return Number(r->min, colour) + " to " + Number(r->max, colour);
}

const char* FitWord(OutOfRange o) { return o == OutOfRange::Clamp ? "clamped" : "default"; }

std::string OutOfRangeWord(const KeyInfo& k) {
    const ParamRange* r = RangeOf(k);
    if (!r) return "";
    if (r->max >= INT32_MAX) return FitWord(r->below);
    if (r->below == r->above) return FitWord(r->below);
    return std::string("below: ") + FitWord(r->below) + ", above: " + FitWord(r->above);
}

std::string DefaultCell(const std::string& text) { return text.empty() ? "empty" : Code(text); }

// A colour default also in the 0xBBGGRR notation of its meaning.
std::string DefaultCell(const KeyInfo& k, const std::string& text) {
    std::string cell = DefaultCell(text);
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (IsColour(k) && !text.empty() && *end == '\0' && v >= 0)
        cell += " (" + Number(static_cast<double>(v), true) + ")";
    return cell;
}

bool DefaultsDiffer(const Row& r) {
    for (const auto& d : r.defaults)
        if (d.second != r.defaults.front().second) return true;
    return false;
}

void WriteKeyTable(std::ostringstream& out, const Table& t) {
    out << "| Key | Type | Default | Range | Out of range | Meaning |\n"
        << "|---|---|---|---|---|---|\n";
    for (const Row& r : t.rows) {
        const KeyInfo& k = *r.info;
        out << "| " << Code(k.key) << " | " << TypeOf(k) << " | "
            << (DefaultsDiffer(r) ? std::string("differs, see below")
                                  : DefaultCell(k, r.defaults.front().second))
            << " | " << RangeText(k) << " | " << OutOfRangeWord(k) << " | " << Prose(MeaningOf(k))
            << " |\n";
    }
    // Keys whose default depends on where the block is: one row per place.
    std::vector<const Row*> differing;
    for (const Row& r : t.rows)
        if (DefaultsDiffer(r)) differing.push_back(&r);
    if (differing.empty()) return;
    out << "\nDefaults that depend on the place:\n\n| Place |";
    for (const Row* r : differing) out << " " << Code(r->info->key) << " |";
    out << "\n|---|";
    for (size_t i = 0; i < differing.size(); ++i) out << "---|";
    out << "\n";
    for (const std::string& p : t.prefixes) {
        out << "| " << Code(p) << " |";
        for (const Row* r : differing) {
            std::string shown;
            for (const auto& d : r->defaults)
                if (d.first == p) shown = DefaultCell(*r->info, d.second);
            out << " " << shown << " |";
        }
        out << "\n";
    }
}

void WriteHeading(std::ostringstream& out, const std::string& level, const std::string& block,
                  const std::string& path) {
    const BlockTitle* t = TitleOf(block);
    out << "\n" << level << " " << (t ? t->title : block) << ": " << Code(path) << "\n\n";
    if (t && *t->note) out << t->note << "\n\n";
}

const char* const kIntroduction = R"md(# Configuration reference

All settings of Ocuvane live in one XML file, `ocv.xml`, in the program directory (the
directory given with `--dir`). It holds the system settings (log and mail commands) and one
`Camera` element per camera, in the order in which the cameras are numbered. Every value is a
`<meta name="KEY" value="VALUE"/>` element inside the element of its section; the one exception
is the mail body, an element `MailBody` holding the text as CDATA. A key missing from the file
keeps its default.

This file is generated from the program's own key tables by `ocv-configdoc`; do not edit it by
hand.

## Addressing a setting

A setting is named by a path: the scope, then the elements below it, then the key, separated by
`/`:

- `system/SECTION/KEY` for the system settings, for example `system/Log/Debug Mode`;
- `camera:N/...` for camera N (from 1, in file order), for example `camera:1/WebServer/Port`,
  `camera:1/Live/FTP/Image/FontName/Height` or `camera:2/Live/SMTP/MailBody`.

Three commands read and change the file without editing it by hand:

```
ocuvane --dir /srv/ocuvane --get 'camera:1/WebServer/Port'
ocuvane --dir /srv/ocuvane --set 'camera:1/Live/Vistrel Timer=60000'
ocuvane --dir /srv/ocuvane --show-config
```

`--get` prints the value as the program loads it, `--set PATH=VALUE` changes one value and
`--show-config` prints the whole file indented. `--set` takes a value only when it is complete
and valid for the key (a number for numeric keys, within the range below, text that fits): it
refuses anything the program would correct or ignore when loading, and then leaves the file as it
was. A running program writes the whole file again when it stops, so change settings while it is
not running.

The file is saved atomically (a new file in the same directory, renamed over the old one) with
mode 0600, readable by its owner only: it holds the passwords of cameras, servers and web pages
as plain text.

## Reading the tables

- Type: "integer" is a signed 32-bit decimal number, "flag (0/1)" an integer that switches
  something on with 1, "decimal" a number written with two decimals (`1.00`), "text (≤ N bytes)"
  UTF-8 text of at most N bytes, "format word" one of the words `BMP`, `JPEG`, `PNG`, `GIF`
  (exactly so).
- Colours are integers 0xBBGGRR: red in the low byte, then green, then blue (`255` is red,
  `16711680` blue).
- Default: the value of a new camera (`--add-camera`) or of a fresh file. `<program directory>`
  stands for the directory given with `--dir`, `<home directory>` for the home directory of the
  user that runs the program.
- Range and out of range: a value outside the range is either "clamped" to the nearest bound or
  replaced by the "default" (the value the key had before; when the file is loaded, its default),
  and the log says so. A key without a range takes any value of its type.
)md";

}  // namespace

std::string ConfigReferenceMarkdown() {
    const std::string home = HomeDirectory();
    const std::vector<KeyInfo> systemKeys = SystemKeys(kProgramDirMark);
    const std::vector<KeyInfo> cameraKeys = CameraKeys(kProgramDirMark);
    std::ostringstream out;
    out << kIntroduction;

    out << "\n## System settings\n\nElement `SystemInfo`, paths `system/...`.\n";
    for (const Table& t : GroupByBlock(systemKeys, home)) {
        WriteHeading(out, "###", t.block, "system/" + t.prefixes.front() + "/");
        WriteKeyTable(out, t);
    }

    const std::vector<Table> cameraTables = GroupByBlock(cameraKeys, home);
    out << "\n## Camera settings\n\nElement `Camera`, paths `camera:N/...`. The capture modes "
           "deliver their pictures through targets (`Local`, `FTP`, `SMTP`), each with its own "
           "`Image` settings; these blocks are described once under "
           "[Repeated blocks](#repeated-blocks).\n";
    for (const Table& t : cameraTables) {
        if (t.prefixes.size() != 1) continue;
        const std::string& prefix = t.prefixes.front();
        WriteHeading(out, "###", t.block, "camera:N/" + (prefix.empty() ? "" : prefix + "/"));
        WriteKeyTable(out, t);
        // The repeated blocks directly below this section.
        std::vector<std::string> below;
        for (const Table& r : cameraTables)
            for (const std::string& p : r.prefixes)
                if (r.prefixes.size() > 1 && !prefix.empty() && p.rfind(prefix + "/", 0) == 0 &&
                    p.find('/', prefix.size() + 1) == std::string::npos)
                    below.push_back(Code(p));
        if (below.empty()) continue;
        out << "\nBelow it:";
        for (size_t i = 0; i < below.size(); ++i) out << (i ? ", " : " ") << below[i];
        out << " (see [Repeated blocks](#repeated-blocks)).\n";
    }

    out << "\n## Repeated blocks\n\nThese blocks have the same keys wherever they occur; the "
           "places are listed below each title (append the key to `camera:N/PLACE/`).\n";
    for (const Table& t : cameraTables) {
        if (t.prefixes.size() < 2) continue;
        const BlockTitle* title = TitleOf(t.block);
        out << "\n### " << (title ? title->title : t.block) << "\n\n";
        if (title && *title->note) out << title->note << "\n\n";
        out << "Places:";
        for (size_t i = 0; i < t.prefixes.size(); ++i)
            out << (i ? ", " : " ") << Code(t.prefixes[i]);
        out << ".\n\n";
        WriteKeyTable(out, t);
    }
    return out.str();
}

}  // namespace ocv
