// spheron-pseudo-po POT OUT: the pseudo-language catalogue, made from the template so that a test
// sees what translations will do to the layout before any translator has written one. Every
// text comes back about 40 % longer, its letters accented and the whole in brackets
// ("[Ĝåmé Övér ~~~]"): a text that is cut or clipped shows it, and one that is not marked for
// translation stays plain. Escapes (\n, \") and printf directives (%d, %2$s) are kept as they
// are, so that msgfmt --check takes the result. Standard library only.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// The accented form of an ASCII letter (UTF-8), or the letter itself.
std::string accented(char c) {
    static const char* const lower[26] = {"å", "ƀ", "ç", "ð", "é", "ƒ", "ĝ", "ĥ", "î",
                                          "ĵ", "ķ", "ļ", "ɱ", "ñ", "ö", "þ", "ǫ", "ŕ",
                                          "š", "ţ", "û", "ṽ", "ŵ", "ẋ", "ý", "ž"};
    static const char* const upper[26] = {"Å", "Ɓ", "Ç", "Ð", "É", "Ƒ", "Ĝ", "Ĥ", "Î",
                                          "Ĵ", "Ķ", "Ļ", "Ṁ", "Ñ", "Ö", "Þ", "Ǫ", "Ŕ",
                                          "Š", "Ţ", "Û", "Ṽ", "Ŵ", "Ẋ", "Ý", "Ž"};
    if (c >= 'a' && c <= 'z') return lower[c - 'a'];
    if (c >= 'A' && c <= 'Z') return upper[c - 'A'];
    return std::string(1, c);
}

// The length of the printf directive at text[at] == '%' (2 for "%%").
std::size_t directiveLength(const std::string& text, std::size_t at) {
    std::size_t i = at + 1;
    const auto skip = [&](const char* set) {
        while (i < text.size() && std::string_view(set).find(text[i]) != std::string_view::npos)
            ++i;
    };
    skip("0123456789$"); // an argument number, or a width
    skip("-+ #0'");      // flags
    skip("0123456789*"); // the width
    if (i < text.size() && text[i] == '.') {
        ++i;
        skip("0123456789*");
    }
    skip("hlLqjzt"); // the length
    return i < text.size() ? i + 1 - at : text.size() - at;
}

// One line of a text (as escaped in the catalogue) made longer and accented.
std::string pseudoLine(const std::string& line) {
    std::string out;
    std::size_t letters = 0;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            out += line.substr(i, 2);
            i += 2;
        } else if (line[i] == '%') {
            const std::size_t n = directiveLength(line, i);
            out += line.substr(i, n);
            i += n;
            letters += 2;
        } else {
            out += accented(line[i]);
            letters += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
            ++i;
        }
    }
    if (letters == 0) return out;
    // About 40 % longer: the brackets, and tildes in words of up to six (a long text still
    // wraps between words).
    std::size_t tildes = letters * 2 / 5 > 3 ? letters * 2 / 5 - 3 : 1;
    while (tildes > 0) {
        const std::size_t word = tildes > 6 ? 6 : tildes;
        out += " " + std::string(word, '~');
        tildes -= word;
    }
    return out;
}

// A whole text (escaped): each of its lines longer, the whole in brackets, a final newline kept.
std::string pseudoText(const std::string& text) {
    if (text.empty()) return text;
    std::string body = text;
    std::string end;
    if (body.size() >= 2 && body.compare(body.size() - 2, 2, "\\n") == 0) {
        end = "\\n";
        body.resize(body.size() - 2);
    }
    std::string out = "[";
    std::size_t start = 0;
    for (;;) {
        const std::size_t next = body.find("\\n", start);
        out += pseudoLine(body.substr(start, next == std::string::npos ? next : next - start));
        if (next == std::string::npos) break;
        out += "\\n";
        start = next + 2;
    }
    return out + "]" + end;
}

// The text of a keyword's line and its continuation lines: "msgid \"a\"\n\"b\"" gives "ab".
std::string quoted(const std::string& line) {
    const std::size_t first = line.find('"');
    const std::size_t last = line.rfind('"');
    return first == std::string::npos || last <= first ? ""
                                                       : line.substr(first + 1, last - first - 1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: spheron-pseudo-po TEMPLATE.pot OUTPUT.po\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "spheron-pseudo-po: cannot read %s\n", argv[1]);
        return 1;
    }
    std::ostringstream out;
    out << "# The pseudo-language, made by the build from the template. Do not edit.\n"
        << "msgid \"\"\nmsgstr \"\"\n"
        << "\"Project-Id-Version: spheron\\n\"\n\"PO-Revision-Date: 2026-01-01 00:00+0000\\n\"\n"
        << "\"Last-Translator: the build\\n\"\n\"Language-Team: none\\n\"\n\"Language: "
           "pseudo\\n\"\n"
        << "\"MIME-Version: 1.0\\n\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
        << "\"Content-Transfer-Encoding: 8bit\\n\"\n"
        << "\"Plural-Forms: nplurals=2; plural=(n != 1);\\n\"\n";
    std::string id, plural, flags;
    std::string* reading = nullptr;
    // Entries are separated by blank lines; the header (an empty msgid) is replaced above.
    const auto flush = [&] {
        if (!id.empty()) {
            out << "\n" << flags << "msgid \"" << id << "\"\n";
            if (plural.empty()) {
                out << "msgstr \"" << pseudoText(id) << "\"\n";
            } else {
                out << "msgid_plural \"" << plural << "\"\n"
                    << "msgstr[0] \"" << pseudoText(id) << "\"\n"
                    << "msgstr[1] \"" << pseudoText(plural) << "\"\n";
            }
        }
        id.clear();
        plural.clear();
        flags.clear();
        reading = nullptr;
    };
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) {
            flush();
        } else if (line.rfind("#,", 0) == 0) {
            flags = line + "\n";
        } else if (line.rfind("msgid_plural ", 0) == 0) {
            plural = quoted(line);
            reading = &plural;
        } else if (line.rfind("msgid ", 0) == 0) {
            id = quoted(line);
            reading = &id;
        } else if (line.rfind("msgstr", 0) == 0) {
            reading = nullptr;
        } else if (line[0] == '"' && reading) {
            *reading += quoted(line);
        }
    }
    flush();
    std::ofstream file(argv[2]);
    file << out.str();
    if (!file.flush()) {
        std::fprintf(stderr, "spheron-pseudo-po: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
