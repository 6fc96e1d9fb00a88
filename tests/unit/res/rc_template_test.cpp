// The dialog the Windows program shows is built from res/uninst.rc; the simulated window manager
// builds it from res/dialog_template.h. These tests hold the two together: they read the DIALOGEX
// block of the script the way the resource compiler does (including its rule that a CONTROL is
// visible unless it says NOT WS_VISIBLE) and, where a MinGW resource compiler is installed, also
// compile the script and read the binary template and the other resources back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "res/dialog_template.h"

namespace {

namespace fs = std::filesystem;

fs::path SourceDir() {
    const char* dir = std::getenv("TVU_SOURCE_DIR");
    // Run outside ctest, the checkout is found from this file's own place in it.
    return dir != nullptr ? fs::path(dir) : fs::path(__FILE__).parent_path() / ".." / ".." / "..";
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + p.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// ---- the script, read as the resource compiler reads it -----------------------------------------

// The style and identifier names the script may use, with the values <windows.h> gives them.
const std::map<std::string, std::uint32_t>& WindowsConstants() {
    static const std::map<std::string, std::uint32_t> names = {
        {"WS_POPUP", 0x80000000},
        {"WS_CHILD", 0x40000000},
        {"WS_VISIBLE", 0x10000000},
        {"WS_CAPTION", 0x00C00000},
        {"WS_BORDER", 0x00800000},
        {"WS_SYSMENU", 0x00080000},
        {"WS_GROUP", 0x00020000},
        {"WS_TABSTOP", 0x00010000},
        {"DS_MODALFRAME", 0x80},
        {"DS_SETFONT", 0x40},
        {"SS_LEFT", 0},
        {"BS_DEFPUSHBUTTON", 1},
        {"BS_PUSHBUTTON", 0},
        {"WS_EX_APPWINDOW", 0x00040000},
        {"IDOK", 1},
        {"IDCANCEL", 2},
    };
    return names;
}

struct Token {
    enum Kind { Word, Number, String, Punct } kind;
    std::string text;
};

std::vector<Token> Tokenize(const std::string& line) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
            break;
        } else if (c == '"') {
            std::string s;
            ++i;
            for (;;) {
                if (i >= line.size()) throw std::runtime_error("unterminated string: " + line);
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {  // "" is one quote
                        s += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                s += line[i++];
            }
            out.push_back({Token::String, s});
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t j = i;
            while (j < line.size() && std::isalnum(static_cast<unsigned char>(line[j]))) ++j;
            out.push_back({Token::Number, line.substr(i, j - i)});
            i = j;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t j = i;
            while (j < line.size() &&
                   (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '_'))
                ++j;
            out.push_back({Token::Word, line.substr(i, j - i)});
            i = j;
        } else {
            out.push_back({Token::Punct, std::string(1, c)});
            ++i;
        }
    }
    return out;
}

class Script {
public:
    Script(const std::string& rcText, const std::string& resourceH) {
        std::istringstream h(resourceH);
        for (std::string line; std::getline(h, line);) {
            std::istringstream l(line);
            std::string hash, name, value;
            if (l >> hash >> name >> value && hash == "#define")
                defines_[name] = static_cast<std::uint32_t>(std::stoul(value, nullptr, 0));
        }
        // Join continued lines (a trailing ',' or '|'), as a statement may span several.
        std::istringstream rc(rcText);
        std::string pending;
        for (std::string line; std::getline(rc, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            pending += line;
            std::size_t end = pending.find_last_not_of(" \t");
            if (end != std::string::npos && (pending[end] == ',' || pending[end] == '|')) {
                pending += ' ';
                continue;
            }
            lines_.push_back(pending);
            pending.clear();
        }
        if (!pending.empty()) lines_.push_back(pending);
    }

    std::uint32_t Value(const Token& t) const {
        if (t.kind == Token::Number)
            return static_cast<std::uint32_t>(std::stoul(t.text, nullptr, 0));
        if (auto d = defines_.find(t.text); d != defines_.end()) return d->second;
        if (auto w = WindowsConstants().find(t.text); w != WindowsConstants().end())
            return w->second;
        throw std::runtime_error("unknown name in the script: " + t.text);
    }

    // A style expression: terms joined by '|'; "NOT x" clears x from what the statement starts
    // with (the resource compiler's default for that statement) and what came before.
    std::uint32_t Style(const std::vector<Token>& toks, std::size_t& i, std::uint32_t start) const {
        std::uint32_t v = start;
        for (;;) {
            bool clear = false;
            if (i < toks.size() && toks[i].kind == Token::Word && toks[i].text == "NOT") {
                clear = true;
                ++i;
            }
            if (i >= toks.size()) throw std::runtime_error("style expression ends early");
            const std::uint32_t term = Value(toks[i++]);
            v = clear ? (v & ~term) : (v | term);
            if (i < toks.size() && toks[i].kind == Token::Punct && toks[i].text == "|") {
                ++i;
                continue;
            }
            return v;
        }
    }

    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::map<std::string, std::uint32_t> defines_;
    std::vector<std::string> lines_;
};

struct ParsedControl {
    int id = 0;
    std::string className, text;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t style = 0;
};

struct ParsedDialog {
    int id = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t style = 0, exStyle = 0;
    std::string caption, font;
    int points = 0, weight = -1, italic = -1, charset = -1;
    std::vector<ParsedControl> controls;
};

void Expect(const std::vector<Token>& t, std::size_t& i, const char* punct) {
    if (i >= t.size() || t[i].kind != Token::Punct || t[i].text != punct)
        throw std::runtime_error(std::string("expected '") + punct + "'");
    ++i;
}

int Int(const Script& s, const std::vector<Token>& t, std::size_t& i) {
    if (i >= t.size()) throw std::runtime_error("number expected");
    return static_cast<int>(s.Value(t[i++]));
}

std::string Str(const std::vector<Token>& t, std::size_t& i) {
    if (i >= t.size() || t[i].kind != Token::String) throw std::runtime_error("string expected");
    return t[i++].text;
}

// Finds the DIALOGEX block of the given template id and reads it.
ParsedDialog ParseDialog(const Script& s, int templateId) {
    constexpr std::uint32_t kControlDefault = 0x40000000 | 0x10000000;  // WS_CHILD | WS_VISIBLE
    ParsedDialog d;
    bool inHeader = false, inBody = false, found = false;
    for (const std::string& line : s.Lines()) {
        const std::vector<Token> t = Tokenize(line);
        if (t.empty()) continue;
        std::size_t i = 0;
        if (!inHeader && !inBody) {
            if (t.size() >= 2 && t[1].kind == Token::Word && t[1].text == "DIALOGEX" &&
                static_cast<int>(s.Value(t[0])) == templateId) {
                found = inHeader = true;
                d.id = templateId;
                i = 2;
                d.x = Int(s, t, i), Expect(t, i, ","), d.y = Int(s, t, i), Expect(t, i, ",");
                d.cx = Int(s, t, i), Expect(t, i, ","), d.cy = Int(s, t, i);
            }
            continue;
        }
        const std::string& kw = t[0].text;
        i = 1;
        if (inHeader) {
            if (kw == "STYLE") {
                d.style = s.Style(t, i, 0);
            } else if (kw == "EXSTYLE") {
                d.exStyle = s.Style(t, i, 0);
            } else if (kw == "CAPTION") {
                d.caption = Str(t, i);
            } else if (kw == "FONT") {
                d.points = Int(s, t, i), Expect(t, i, ","), d.font = Str(t, i);
                if (i < t.size()) Expect(t, i, ","), d.weight = Int(s, t, i);
                if (i < t.size()) Expect(t, i, ","), d.italic = Int(s, t, i);
                if (i < t.size()) Expect(t, i, ","), d.charset = Int(s, t, i);
            } else if (kw == "BEGIN" || kw == "{") {
                inHeader = false, inBody = true;
            } else {
                throw std::runtime_error("unexpected statement in the dialog header: " + line);
            }
            continue;
        }
        if (kw == "END" || kw == "}") break;
        if (kw != "CONTROL")
            throw std::runtime_error("only CONTROL statements carry their whole style: " + line);
        ParsedControl c;
        c.text = Str(t, i), Expect(t, i, ","), c.id = Int(s, t, i), Expect(t, i, ",");
        c.className = Str(t, i), Expect(t, i, ","), c.style = s.Style(t, i, kControlDefault);
        Expect(t, i, ","), c.x = Int(s, t, i), Expect(t, i, ","), c.y = Int(s, t, i);
        Expect(t, i, ","), c.cx = Int(s, t, i), Expect(t, i, ","), c.cy = Int(s, t, i);
        d.controls.push_back(c);
    }
    if (!found) throw std::runtime_error("no DIALOGEX block for this template id");
    // The compiler adds DS_SETFONT for a FONT statement and WS_CAPTION for a CAPTION statement.
    if (!d.font.empty()) d.style |= 0x40;
    if (!d.caption.empty()) d.style |= 0x00C00000;
    return d;
}

std::string Hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void ExpectMatchesTemplate(const ParsedDialog& d, bool classNamesByOrdinal) {
    EXPECT_EQ(d.x, dialog102::kX);
    EXPECT_EQ(d.y, dialog102::kY);
    EXPECT_EQ(d.cx, dialog102::kWidth);
    EXPECT_EQ(d.cy, dialog102::kHeight);
    EXPECT_EQ(Hex(d.style), Hex(dialog102::kStyle));
    EXPECT_EQ(Hex(d.exStyle), Hex(dialog102::kExStyle));
    EXPECT_EQ(d.caption, dialog102::kCaption);
    EXPECT_EQ(d.font, dialog102::kFont);
    EXPECT_EQ(d.points, dialog102::kFontPoints);
    EXPECT_EQ(d.charset, dialog102::kCharset);
    EXPECT_EQ(d.weight, 0) << "default weight";
    EXPECT_EQ(d.italic, 0) << "not italic";
    const std::size_t n = std::size(dialog102::kControls);
    ASSERT_EQ(d.controls.size(), n);
    for (std::size_t k = 0; k < n; ++k) {
        const dialog102::Control& want = dialog102::kControls[k];
        const ParsedControl& got = d.controls[k];
        SCOPED_TRACE("control " + std::to_string(k) + " (id " + std::to_string(want.id) + ")");
        EXPECT_EQ(got.id, want.id);
        // Compiled templates name the predefined classes by ordinal, which carry no letter case.
        if (classNamesByOrdinal)
            EXPECT_EQ(Lower(got.className), Lower(want.className));
        else
            EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(Hex(got.style), Hex(want.style));
    }
}

std::string RcText() {
    return ReadFile(SourceDir() / "res" / "uninst.rc");
}
std::string ResourceH() {
    return ReadFile(SourceDir() / "res" / "resource.h");
}

TEST(RcTemplate, ScriptSaysWhatTheTemplateTableSays) {
    const Script s(RcText(), ResourceH());
    ExpectMatchesTemplate(ParseDialog(s, dialog102::kId), false);
}

// The reader must see the faults that matter: each line swapped into the script changes one
// field, and the reader reports exactly the value the resource compiler would build.
TEST(RcTemplate, ReaderSeesTheCompilersStyleRules) {
    struct Case {
        const char* what;
        const char* from;
        const char* to;
        int controlIndex;  // -1: the dialog itself
        std::uint32_t wantStyle;
    };
    const Case cases[] = {
        {"progress bar without NOT WS_VISIBLE is visible", "WS_CHILD | WS_BORDER | NOT WS_VISIBLE",
         "WS_CHILD | WS_BORDER", 2, 0x50800000},
        {"NOT before an added flag still clears the default",
         "WS_CHILD | WS_BORDER | NOT WS_VISIBLE", "NOT WS_VISIBLE | WS_BORDER", 2, 0x40800000},
        {"the default already holds WS_CHILD | WS_VISIBLE",
         "WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 20, 9", "WS_GROUP, 20, 9", 0, 0x50020000},
        {"a plain push button", "BS_DEFPUSHBUTTON", "BS_PUSHBUTTON", 1, 0x50010000},
        {"dialog without DS_SETFONT gets it from FONT", "| DS_MODALFRAME | DS_SETFONT",
         "| DS_MODALFRAME", -1, 0x90C800C0},
        {"dialog without WS_SYSMENU", "WS_CAPTION | WS_SYSMENU |", "WS_CAPTION |", -1, 0x90C000C0},
    };
    const std::string original = RcText();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = original;
        const std::size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, std::string(c.from).size(), c.to);
        const ParsedDialog d = ParseDialog(Script(text, ResourceH()), dialog102::kId);
        const std::uint32_t got =
            c.controlIndex < 0 ? d.style
                               : d.controls.at(static_cast<std::size_t>(c.controlIndex)).style;
        EXPECT_EQ(Hex(got), Hex(c.wantStyle));
    }
}

TEST(RcTemplate, ReaderRejectsWhatItCannotCheck) {
    const std::string original = RcText();
    const struct {
        const char* what;
        const char* from;
        const char* to;
    } cases[] = {
        {"a shorthand statement with implicit styles", "CONTROL \"\", IDC_BLANK, \"Static\",",
         "LTEXT \"\", IDC_BLANK,"},
        {"an unknown style name", "BS_DEFPUSHBUTTON", "BS_NO_SUCH_STYLE"},
        {"an unknown dialog statement", "EXSTYLE WS_EX_APPWINDOW", "MENU 7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = original;
        const std::size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, std::string(c.from).size(), c.to);
        EXPECT_THROW(ParseDialog(Script(text, ResourceH()), dialog102::kId), std::runtime_error);
    }
}

// ---- the compiled resources
// -----------------------------------------------------------------------

struct Resource {
    std::uint32_t type = 0;  // ordinal types only; named types are kept as 0
    std::uint32_t name = 0;  // ordinal names only
    std::uint16_t language = 0;
    std::vector<std::uint8_t> data;
};

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& b, std::size_t at = 0) : b_(b), at_(at) {}
    std::uint16_t U16() {
        Need(2);
        const auto v = static_cast<std::uint16_t>(b_[at_] | (b_[at_ + 1] << 8));
        at_ += 2;
        return v;
    }
    std::uint32_t U32() {
        const std::uint32_t lo = U16();
        return lo | (static_cast<std::uint32_t>(U16()) << 16);
    }
    std::int16_t S16() { return static_cast<std::int16_t>(U16()); }
    std::uint8_t U8() {
        Need(1);
        return b_[at_++];
    }
    // A UTF-16 string of ASCII characters, up to its terminator.
    std::string WStr() {
        std::string s;
        for (std::uint16_t c = U16(); c != 0; c = U16()) s += static_cast<char>(c);
        return s;
    }
    // sz_Or_Ord: 0xFFFF and an ordinal, or a string; ordinals come back as "#n".
    std::string StrOrOrd() {
        Need(2);
        if (b_[at_] == 0xFF && b_[at_ + 1] == 0xFF) {
            U16();
            return "#" + std::to_string(U16());
        }
        return WStr();
    }
    void Align4() { at_ = (at_ + 3) & ~static_cast<std::size_t>(3); }
    std::size_t Pos() const { return at_; }
    bool AtEnd() const { return at_ >= b_.size(); }

private:
    void Need(std::size_t n) const {
        if (at_ + n > b_.size()) throw std::runtime_error("resource data ends early");
    }
    const std::vector<std::uint8_t>& b_;
    std::size_t at_;
};

std::vector<Resource> ParseRes(const std::vector<std::uint8_t>& file) {
    std::vector<Resource> out;
    std::size_t at = 0;
    while (at + 8 <= file.size()) {
        Reader r(file, at);
        const std::uint32_t dataSize = r.U32();
        const std::uint32_t headerSize = r.U32();
        Resource res;
        const std::string type = r.StrOrOrd();
        const std::string name = r.StrOrOrd();
        if (type[0] == '#') res.type = static_cast<std::uint32_t>(std::stoul(type.substr(1)));
        if (name[0] == '#') res.name = static_cast<std::uint32_t>(std::stoul(name.substr(1)));
        r.Align4();
        r.U32();  // data version
        r.U16();  // memory flags
        res.language = r.U16();
        const std::size_t dataAt = at + headerSize;
        if (dataAt + dataSize > file.size()) throw std::runtime_error("truncated .res");
        res.data.assign(file.begin() + static_cast<std::ptrdiff_t>(dataAt),
                        file.begin() + static_cast<std::ptrdiff_t>(dataAt + dataSize));
        if (dataSize != 0 || res.type != 0) out.push_back(std::move(res));  // skip the null entry
        at = (dataAt + dataSize + 3) & ~static_cast<std::size_t>(3);
    }
    return out;
}

std::string OrdinalClass(const std::string& cls) {
    static const std::map<std::string, std::string> names = {
        {"#128", "Button"},  {"#129", "Edit"},      {"#130", "Static"},
        {"#131", "ListBox"}, {"#132", "ScrollBar"}, {"#133", "ComboBox"}};
    auto it = names.find(cls);
    return it != names.end() ? it->second : cls;
}

ParsedDialog ParseDlgTemplateEx(const std::vector<std::uint8_t>& data) {
    Reader r(data);
    ParsedDialog d;
    if (r.U16() != 1 || r.U16() != 0xFFFF) throw std::runtime_error("not an extended template");
    r.U32();  // help id
    d.exStyle = r.U32();
    d.style = r.U32();
    const std::uint16_t items = r.U16();
    d.x = r.S16(), d.y = r.S16(), d.cx = r.S16(), d.cy = r.S16();
    if (r.StrOrOrd() != "") throw std::runtime_error("the dialog has a menu");
    if (r.StrOrOrd() != "") throw std::runtime_error("the dialog has a class of its own");
    d.caption = r.WStr();
    if (d.style & 0x40) {
        d.points = r.U16();
        d.weight = r.U16();
        d.italic = r.U8();
        d.charset = r.U8();
        d.font = r.WStr();
    }
    for (std::uint16_t k = 0; k < items; ++k) {
        r.Align4();
        ParsedControl c;
        r.U32();  // help id
        const std::uint32_t exStyle = r.U32();
        if (exStyle != 0) throw std::runtime_error("a control has an extended style");
        c.style = r.U32();
        c.x = r.S16(), c.y = r.S16(), c.cx = r.S16(), c.cy = r.S16();
        c.id = static_cast<int>(r.U32());
        c.className = OrdinalClass(r.StrOrOrd());
        c.text = r.StrOrOrd();
        const std::uint16_t extra = r.U16();
        for (std::uint16_t e = 0; e < extra; ++e) r.U8();
        d.controls.push_back(c);
    }
    return d;
}

// Compiles res/uninst.rc with the MinGW resource compiler into a .res; empty when none is found.
std::optional<std::vector<std::uint8_t>> CompileRc() {
    const char* candidates[] = {"x86_64-w64-mingw32-windres", "i686-w64-mingw32-windres"};
    const fs::path out = fs::temp_directory_path() /
                         ("tvu_rc_test_" + std::to_string(std::random_device{}()) + ".res");
    for (const char* tool : candidates) {
        const std::string probe = std::string("command -v ") + tool + " >/dev/null 2>&1";
        if (std::system(probe.c_str()) != 0) continue;
        const fs::path res = SourceDir() / "res";
        const std::string cmd = std::string(tool) + " -I \"" + res.string() + "\" -i \"" +
                                (res / "uninst.rc").string() + "\" -O res -o \"" + out.string() +
                                "\"";
        if (std::system(cmd.c_str()) != 0) throw std::runtime_error("windres failed: " + cmd);
        const std::string bytes = ReadFile(out);
        fs::remove(out);
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }
    return std::nullopt;
}

const Resource* Find(const std::vector<Resource>& all, std::uint32_t type, std::uint32_t name) {
    for (const Resource& r : all)
        if (r.type == type && r.name == name) return &r;
    return nullptr;
}

constexpr std::uint32_t RT_ICON = 3, RT_DIALOG = 5, RT_GROUP_ICON = 14, RT_VERSION = 16,
                        RT_MANIFEST = 24;
constexpr std::uint16_t kEnglishUs = 1033;

class CompiledResources : public ::testing::Test {
protected:
    void SetUp() override {
        auto bytes = CompileRc();
        if (!bytes)
            GTEST_SKIP() << "no MinGW windres installed: the compiled resources are not checked";
        all_ = ParseRes(*bytes);
    }
    std::vector<Resource> all_;
};

TEST_F(CompiledResources, DialogTemplateCarriesExactlyTheTableValues) {
    const Resource* dlg = Find(all_, RT_DIALOG, dialog102::kId);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->language, kEnglishUs);
    ExpectMatchesTemplate(ParseDlgTemplateEx(dlg->data), true);
}

TEST_F(CompiledResources, GroupIconHoldsOne32x32SixteenColourImage) {
    const Resource* group = Find(all_, RT_GROUP_ICON, 132);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->language, kEnglishUs);
    Reader g(group->data);
    EXPECT_EQ(g.U16(), 0);  // reserved
    EXPECT_EQ(g.U16(), 1);  // icon, not cursor
    ASSERT_EQ(g.U16(), 1) << "exactly one image";
    EXPECT_EQ(g.U8(), 32);
    EXPECT_EQ(g.U8(), 32);
    EXPECT_EQ(g.U8(), 16) << "16 colours";
    g.U8();
    EXPECT_EQ(g.U16(), 1) << "planes";
    EXPECT_EQ(g.U16(), 4) << "bits per pixel";
    const std::uint32_t bytes = g.U32();
    const std::uint16_t iconId = g.U16();
    const Resource* image = Find(all_, RT_ICON, iconId);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data.size(), bytes);
    Reader b(image->data);
    EXPECT_EQ(b.U32(), 40u) << "BITMAPINFOHEADER";
    EXPECT_EQ(b.U32(), 32u);
    EXPECT_EQ(b.U32(), 64u) << "image and mask";
    EXPECT_EQ(b.U16(), 1);
    EXPECT_EQ(b.U16(), 4);
    // Header, 16-entry palette, 4-bit image and 1-bit mask of 32 rows.
    EXPECT_EQ(image->data.size(), 40u + 16 * 4 + 32 * 16 + 32 * 4);
}

TEST_F(CompiledResources, VersionIs3101InUsEnglishWithCodePage1252) {
    const Resource* ver = Find(all_, RT_VERSION, 1);
    ASSERT_NE(ver, nullptr);
    const std::vector<std::uint8_t>& d = ver->data;
    std::size_t at = std::string::npos;
    for (std::size_t i = 0; i + 4 <= d.size(); i += 4)
        if (d[i] == 0xBD && d[i + 1] == 0x04 && d[i + 2] == 0xEF && d[i + 3] == 0xFE) at = i;
    ASSERT_NE(at, std::string::npos) << "no VS_FIXEDFILEINFO";
    Reader f(d, at + 8);
    EXPECT_EQ(Hex(f.U32()), Hex(0x00030001)) << "file version 3.1";
    EXPECT_EQ(Hex(f.U32()), Hex(0x00000001)) << "file version .0.1";
    EXPECT_EQ(Hex(f.U32()), Hex(0x00030001)) << "product version 3.1";
    EXPECT_EQ(Hex(f.U32()), Hex(0x00000001)) << "product version .0.1";

    // Strings are UTF-16 in the block; compare them as ASCII.
    std::string ascii;
    for (std::size_t i = 0; i + 1 < d.size(); i += 2)
        ascii += d[i + 1] == 0 && d[i] >= 0x20 && d[i] < 0x7F ? static_cast<char>(d[i]) : '|';
    for (const char* s : {"040904E4", "FileDescription", "Brelon Tunara WDM Drivers Uninstaller",
                          "CompanyName", "ProductName", "3.1.0.1", "Translation"})
        EXPECT_NE(ascii.find(s), std::string::npos) << s;
    // Translation: language 0x0409, code page 1252 (0x04E4).
    const std::uint8_t translation[] = {0x09, 0x04, 0xE4, 0x04};
    bool found = false;
    for (std::size_t i = 0; i + 4 <= d.size(); ++i)
        found = found || std::equal(translation, translation + 4,
                                    d.begin() + static_cast<std::ptrdiff_t>(i));
    EXPECT_TRUE(found);
}

TEST_F(CompiledResources, ManifestAsksForElevationCommonControls6AndDpiAwareness) {
    const Resource* m = Find(all_, RT_MANIFEST, 1);
    ASSERT_NE(m, nullptr);
    const std::string xml(m->data.begin(), m->data.end());
    for (const char* s :
         {"level=\"requireAdministrator\"", "name=\"Microsoft.Windows.Common-Controls\"",
          "version=\"6.0.0.0\"", "<dpiAware", "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(xml.find(s), std::string::npos) << s;
}

}  // namespace
