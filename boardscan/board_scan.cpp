// The board scan. The text, which ends at its first NUL, is searched twice from its start,
// once for "padStyleDef" and once for "viaStyleDef"; each keyword found, even inside a
// longer word, is a definition, and the next search starts just after it. The name is what
// follows the keyword:
//
// - A name in double quotes that close on the same line is taken whole, blanks included:
//   the board editor names a copied style "Via1 [5]". Any other name (one without quotes,
//   an empty "", a quote not closed on its line) is the token after the keyword, unquoted.
// - A token is the longest run of bytes other than whitespace (space, tab, LF, VT, FF,
//   CR) after any whitespace. One token serves both lists: a keyword with nothing after
//   it leaves the name read last in place, which is logged again and written to the
//   current entry, but not counted, so the next name or the list's end takes it over.
// - Unquoting turns double quotes into spaces and takes the first token of the result; a
//   token of quotes only stays as it was.
// - A via name starts one byte later: that byte is taken for the opening quote, so a name
//   written without quotes loses its first character.
// - A via named exactly like any pad style of the text, also one past the pad list's end,
//   gets the prefix CCTVIA_. A via name holding a parenthesis or a blank is listed in single
//   quotes, so that the router reads it as one name; the log shows it without.
// - Each list ends at its first empty entry. A name that does not fit an entry, a name
//   too long for the token buffer and a name past a full list are left out and logged.
#include "board_scan.h"

#include "common/bounded_text.h"
#include "diag/log.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <unordered_set>

StyleNameList padStyles{};
StyleNameList viaStyles{};

namespace {

constexpr std::string_view kPadKeyword = "padStyleDef";
constexpr std::string_view kViaKeyword = "viaStyleDef";
constexpr std::string_view kViaPrefix = "CCTVIA_";

constexpr std::string_view kAddPad = "Add pad: ";
constexpr std::string_view kAddVia = "Add via: ";
constexpr std::string_view kPadTooLong = "Pad style left out, name too long: ";
constexpr std::string_view kViaTooLong = "Via style left out, name too long: ";
constexpr std::string_view kPadListFull = "Pad style left out, list full: ";
constexpr std::string_view kViaListFull = "Via style left out, list full: ";
// A via named like a pad style that memory could not hold then keeps its name.
constexpr const char* kPadNamesNotHeldFormat =
    "Via styles compared with %llu pad style names only: no memory\r\n";
// Marks a name cut for the log only: the name itself is never stored cut.
constexpr std::string_view kCutMark = "...";
constexpr std::string_view kLineEnd = "\r\n";

// Board texts are mostly lower-case words, digits and names, where the capital D of both
// keywords is rare: strchr finds each D, and the keyword is compared around it.
constexpr std::size_t kProbeOffset = kPadKeyword.find('D');
static_assert(kViaKeyword.find('D') == kProbeOffset);

// Space, tab, LF, VT, FF and CR.
bool isSpace(char byte) {
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

const char* skipSpace(const char* text) {
    while (isSpace(*text)) {
        ++text;
    }
    return text;
}

// The name between the double quote at `opening` and the next one on its line; empty when
// `opening` is no double quote, when the line or the text ends first, or when the quotes
// enclose nothing.
std::string_view quotedName(const char* opening) {
    if (*opening != '"') {
        return {};
    }
    const char* closing = std::strpbrk(opening + 1, "\"\r\n");
    if (closing == nullptr || *closing != '"') {
        return {};
    }
    return std::string_view(opening + 1, static_cast<std::size_t>(closing - opening - 1));
}

// A via name that the router would read as several tokens, or as a list, unless quoted.
bool needsQuotes(std::string_view name) {
    return name.find_first_of("() \t\v\f") != std::string_view::npos;
}

// Whether `text` starts with `keyword`. Reads nothing past the NUL ending the text: the
// comparison stops at the first byte that differs.
bool startsWith(const char* text, std::string_view keyword) {
    for (char byte : keyword) {
        if (*text++ != byte) {
            return false;
        }
    }
    return true;
}

// The next `keyword` at or after `from`, or nullptr.
const char* findKeyword(const char* from, std::string_view keyword) {
    for (const char* probe = std::strchr(from, keyword[kProbeOffset]); probe != nullptr;
         probe = std::strchr(probe + 1, keyword[kProbeOffset])) {
        if (probe - from >= static_cast<std::ptrdiff_t>(kProbeOffset) &&
            startsWith(probe - kProbeOffset, keyword)) {
            return probe - kProbeOffset;
        }
    }
    return nullptr;
}

// The longest log line: a label, a name cut to a token's width, the cut mark and CR LF.
constexpr std::size_t kLogLineCapacity =
    kViaTooLong.size() + kTokenCapacity - 1 + kCutMark.size() + kLineEnd.size();
static_assert(kViaTooLong.size() >= kPadTooLong.size() &&
              kViaTooLong.size() >= kViaListFull.size() && kViaTooLong.size() >= kAddVia.size());

// Writes one line: the label, the name, the cut mark if any and CR LF.
void logName(std::string_view label, std::string_view name, std::string_view mark = "") {
    char line[kLogLineCapacity];
    std::size_t size = 0;
    for (std::string_view part : {label, name, mark, kLineEnd}) {
        std::memcpy(line + size, part.data(), part.size());
        size += part.size();
    }
    writeLog(std::string_view(line, size));
}

// The names of every pad style, for the via pass's look-ups. When memory runs out it keeps
// the names it holds and takes no more.
class NameSet {
  public:
    void insert(std::string_view name) {
        if (!complete_) {
            return;
        }
        try {
            names_.insert(name);
        } catch (const std::bad_alloc&) {
            complete_ = false;
        }
    }
    bool contains(std::string_view name) const { return names_.count(name) != 0; }
    std::size_t size() const { return names_.size(); }
    bool complete() const { return complete_; }

  private:
    std::unordered_set<std::string_view> names_;
    bool complete_ = true;
};

enum class TokenRead { Read, None, TooLong };

class Scanner {
  public:
    explicit Scanner(const char* text) : text_(text) {}

    void run() {
        for (const char* keyword = findKeyword(text_, kPadKeyword); keyword != nullptr;
             keyword = findKeyword(keyword + kPadKeyword.size(), kPadKeyword)) {
            addPad(keyword + kPadKeyword.size());
        }
        padStyles.entries[padCount_][0] = '\0';
        if (!padNames_.complete()) {
            char line[96];
            std::snprintf(line, sizeof line, kPadNamesNotHeldFormat,
                          static_cast<unsigned long long>(padNames_.size()));
            writeLog(line);
        }
        for (const char* keyword = findKeyword(text_, kViaKeyword); keyword != nullptr;
             keyword = findKeyword(keyword + kViaKeyword.size(), kViaKeyword)) {
            addVia(keyword + kViaKeyword.size());
        }
        viaStyles.entries[viaCount_][0] = '\0';
    }

  private:
    // Takes the name at `start`, where the whitespace after the keyword ends: a name in
    // double quotes whole, any other the token at `tokenStart`, unquoted.
    TokenRead readName(const char* start, const char* tokenStart) {
        std::string_view quoted = quotedName(start);
        if (!quoted.empty()) {
            return take(quoted);
        }
        TokenRead read = readToken(tokenStart);
        unquote();
        return read;
    }

    TokenRead readToken(const char* from) {
        const char* start = skipSpace(from);
        std::size_t size = 0;
        while (size < kTokenCapacity && start[size] != '\0' && !isSpace(start[size])) {
            ++size;
        }
        if (size == 0) {
            return TokenRead::None;
        }
        return take(std::string_view(start, size));
    }

    // Takes `name` as the current name. One of kTokenCapacity bytes or more is not taken,
    // and the name becomes empty, so that no older name stands in for it.
    TokenRead take(std::string_view name) {
        if (name.size() >= kTokenCapacity) {
            token_ = "";
            overlong_ = name.substr(0, kTokenCapacity - 1);
            return TokenRead::TooLong;
        }
        token_ = name;
        return TokenRead::Read;
    }

    void unquote() {
        std::size_t start = token_.find_first_not_of('"');
        if (start != std::string_view::npos) {
            token_ = token_.substr(start, token_.find('"', start) - start);
        }
    }

    void addPad(const char* afterKeyword) {
        const char* start = skipSpace(afterKeyword);
        TokenRead read = readName(start, start);
        if (read == TokenRead::TooLong) {
            logName(kPadTooLong, overlong_, kCutMark);
            return;
        }
        if (token_.size() >= kStyleNameWidth) {
            logName(kPadTooLong, token_);
            return;
        }
        bool counted = read == TokenRead::Read;
        if (counted) {
            padNames_.insert(token_);
        }
        if (counted && padCount_ == kMaxStyleNames) {
            logName(kPadListFull, token_);
            return;
        }
        copyBounded(padStyles.entries[padCount_], token_);
        logName(kAddPad, token_);
        padCount_ += counted ? 1 : 0;
    }

    void addVia(const char* afterKeyword) {
        const char* opening = skipSpace(afterKeyword);
        TokenRead read = readName(opening, *opening == '\0' ? opening : opening + 1);
        if (read == TokenRead::TooLong) {
            logName(kViaTooLong, overlong_, kCutMark);
            return;
        }
        char prefixed[kTokenCapacity];
        std::string_view name = token_;
        if (padNames_.contains(token_)) {
            copyBounded(prefixed, kViaPrefix);
            appendBounded(prefixed, token_);
            name = prefixed;
        }
        bool quoted = needsQuotes(name);
        if (name.size() + (quoted ? 2 : 0) >= kStyleNameWidth) {
            logName(kViaTooLong, name);
            return;
        }
        bool counted = read == TokenRead::Read;
        if (counted && viaCount_ == kMaxStyleNames) {
            logName(kViaListFull, name);
            return;
        }
        char* entry = viaStyles.entries[viaCount_];
        copyBounded(entry, kStyleNameWidth, quoted ? "'" : "");
        appendBounded(entry, kStyleNameWidth, name);
        appendBounded(entry, kStyleNameWidth, quoted ? "'" : "");
        logName(kAddVia, name);
        viaCount_ += counted ? 1 : 0;
    }

    const char* text_;
    std::size_t padCount_ = 0;
    std::size_t viaCount_ = 0;
    // Every pad style's name: also those past the list's end name a via CCTVIA_.
    NameSet padNames_;
    // The name read last, within the text. Never a null view: logName hands its data to
    // memcpy.
    std::string_view token_ = "";
    std::string_view overlong_;
};

} // namespace

void scanBoardText(const char* text) {
    Scanner scanner(text);
    scanner.run();
}
