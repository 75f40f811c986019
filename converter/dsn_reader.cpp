#include "dsn_reader.h"

#include "common/ascii_text.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

// Keywords are compared without regard to the case of ASCII letters.
bool isKeyword(std::string_view token, std::string_view keyword) {
    return equalsIgnoringCase(token, keyword);
}

enum class TokenKind { End, Open, Close, Atom };

struct Token {
    TokenKind kind = TokenKind::End;
    std::size_t gapBegin = 0; // end of the token before this one
    std::size_t begin = 0;
    std::size_t end = 0;
};

// A list just opened, with its first token read: the keyword when that is an atom.
struct ListStart {
    Token open;
    Token first;
    std::string_view keyword;
};

class DesignReader {
  public:
    DesignReader(std::string_view text, DsnOutline& outline, DsnProblem& problem)
        : text_(text), outline_(outline), problem_(problem) {
        skipStops_['('] = true;
        skipStops_[')'] = true;
    }

    bool read();

  private:
    bool fail(std::size_t offset, std::string message);
    Token next();
    std::size_t quotedSegmentEnd(std::size_t quote) const;
    ListStart startList(const Token& open);
    bool skipRest(std::size_t depth, std::size_t listBegin, std::size_t& end);
    bool finishList(const ListStart& list, std::size_t& end);
    bool readAtoms(const ListStart& list, std::string_view* atoms, std::size_t count,
                   std::size_t& end);
    template <typename OnAtom, typename OnList>
    bool readChildren(const ListStart& list, std::string_view name, Token& close, OnAtom onAtom,
                      OnList onList);
    bool readParser(const ListStart& list);
    bool readParserSetting(const ListStart& list);
    bool readResolution(const ListStart& list);
    bool readUnit(const ListStart& list);
    bool readShapeLayer(const Token& open, std::string_view& layer);
    bool readStructure(const ListStart& list);
    bool readLayer(const ListStart& list);
    bool readPlane(const ListStart& list);
    bool readLibrary(const ListStart& list);
    bool readWiring(const ListStart& list);
    bool refuseElsewhere(const ListStart& list, std::string_view section);
    bool readPcbChild(const ListStart& list);
    bool checkEnd(std::size_t pcbBegin);

    std::string_view text(const Token& token) const {
        return text_.substr(token.begin, token.end - token.begin);
    }
    static DsnElement element(const Token& open, std::size_t end) {
        return {.gapBegin = open.gapBegin, .begin = open.begin, .end = end};
    }

    std::string_view text_;
    DsnOutline& outline_;
    DsnProblem& problem_;
    std::size_t position_ = 0;
    std::size_t lastTokenEnd_ = 0;
    bool failed_ = false;
    // The bytes that end a run of skipped text: parentheses and the quote character.
    std::array<bool, 256> skipStops_{};
};

// Only the first problem counts: what follows it is a consequence.
bool DesignReader::fail(std::size_t offset, std::string message) {
    if (!failed_) {
        failed_ = true;
        problem_.offset = offset;
        problem_.message = std::move(message);
    }
    return false;
}

// Where the quoted part of a token that opens at `quote` ends: past its closing quote;
// npos when the text ends first or, when blanks may not stand in quotes, a blank comes
// first. Such a token would reach over the parentheses up to that blank, and an edit next
// to it could move where it ends: a design holding one is refused.
std::size_t DesignReader::quotedSegmentEnd(std::size_t quote) const {
    for (std::size_t p = quote + 1; p < text_.size(); ++p) {
        char c = text_[p];
        if (c == outline_.stringQuote) {
            return p + 1;
        }
        if (!outline_.spaceInQuotedTokens && isDsnBlank(c)) {
            break;
        }
    }
    return std::string_view::npos;
}

Token DesignReader::next() {
    Token token;
    token.gapBegin = lastTokenEnd_;
    std::size_t p = position_;
    while (p < text_.size() && isDsnBlank(text_[p])) {
        ++p;
    }
    token.begin = p;
    if (p == text_.size()) {
        token.end = p;
        position_ = p;
        return token;
    }
    char c = text_[p];
    if (c == '(' || c == ')') {
        token.kind = c == '(' ? TokenKind::Open : TokenKind::Close;
        ++p;
    } else {
        token.kind = TokenKind::Atom;
        const char quoteChar = outline_.stringQuote;
        while (p < text_.size()) {
            c = text_[p];
            if (isDsnBlank(c) || c == '(' || c == ')') {
                break;
            }
            if (quoteChar != '\0' && c == quoteChar) {
                std::size_t segmentEnd = quotedSegmentEnd(p);
                if (segmentEnd == std::string_view::npos) {
                    fail(p, "a quoted text that is never closed");
                    token.kind = TokenKind::End;
                    token.end = token.begin;
                    position_ = text_.size();
                    return token;
                }
                p = segmentEnd;
                continue;
            }
            ++p;
        }
    }
    token.end = p;
    position_ = p;
    lastTokenEnd_ = p;
    return token;
}

ListStart DesignReader::startList(const Token& open) {
    ListStart list{.open = open, .first = next(), .keyword = {}};
    if (list.first.kind == TokenKind::Atom) {
        list.keyword = text(list.first);
    }
    return list;
}

// Skips to the end of a list of no interest, `depth` lists deep inside it, honouring quotes
// so that parentheses in quoted ids do not count. This is where most of a large design is
// read, so it looks only at the bytes that matter.
bool DesignReader::skipRest(std::size_t depth, std::size_t listBegin, std::size_t& end) {
    const char quoteChar = outline_.stringQuote;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text_.data());
    std::size_t p = position_;
    while (p < text_.size()) {
        while (p < text_.size() && !skipStops_[bytes[p]]) {
            ++p;
        }
        if (p == text_.size()) {
            break;
        }
        char c = text_[p];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) {
                end = p + 1;
                position_ = end;
                lastTokenEnd_ = end;
                return true;
            }
        } else if (quoteChar != '\0' && c == quoteChar) {
            std::size_t segmentEnd = quotedSegmentEnd(p);
            if (segmentEnd == std::string_view::npos) {
                return fail(p, "a quoted text that is never closed");
            }
            p = segmentEnd;
            continue;
        }
        ++p;
    }
    return fail(listBegin, "unbalanced: the list opened here is never closed");
}

bool DesignReader::finishList(const ListStart& list, std::size_t& end) {
    switch (list.first.kind) {
    case TokenKind::Close:
        end = list.first.end;
        return true;
    case TokenKind::Open:
        return skipRest(2, list.open.begin, end);
    case TokenKind::Atom:
        return skipRest(1, list.open.begin, end);
    case TokenKind::End:
        break;
    }
    return fail(list.open.begin, "unbalanced: the list opened here is never closed");
}

// Reads the atoms after the keyword into `atoms` (at most `count`; later ones and nested
// lists are passed over) up to the end of the list.
bool DesignReader::readAtoms(const ListStart& list, std::string_view* atoms, std::size_t count,
                             std::size_t& end) {
    if (list.first.kind != TokenKind::Atom) {
        return finishList(list, end);
    }
    std::size_t stored = 0;
    for (;;) {
        Token token = next();
        switch (token.kind) {
        case TokenKind::Atom:
            if (stored < count) {
                atoms[stored++] = text(token);
            }
            break;
        case TokenKind::Open:
            if (!skipRest(1, token.begin, end)) {
                return false;
            }
            break;
        case TokenKind::Close:
            end = token.end;
            return true;
        case TokenKind::End:
            return fail(list.open.begin, "unbalanced: the list opened here is never closed");
        }
    }
}

bool DesignReader::readParserSetting(const ListStart& list) {
    std::string_view value;
    std::size_t end = 0;
    if (!readAtoms(list, &value, 1, end)) {
        return false;
    }
    if (isKeyword(list.keyword, "string_quote")) {
        // Only these three may quote: any other byte could stand in the keywords and numbers
        // the converter writes, which would then read as quoted text.
        if (value != "'" && value != "\"" && value != "$") {
            return fail(list.open.begin, "the quote character is not ', \" or $");
        }
        // Quoting starts once the quote character is known; up to here it is plain text.
        outline_.stringQuote = value[0];
        skipStops_[static_cast<unsigned char>(value[0])] = true;
    } else if (isKeyword(list.keyword, "space_in_quoted_tokens")) {
        outline_.spaceInQuotedTokens = isKeyword(value, "on");
    } else {
        outline_.caseSensitive = isKeyword(value, "on");
    }
    return true;
}

// Reads a list's children up to its end: `onAtom` is given each atom, `onList` each list
// inside (opened by the token it is given), which it must read to its end. `close` receives
// the list's ')'.
template <typename OnAtom, typename OnList>
bool DesignReader::readChildren(const ListStart& list, std::string_view name, Token& close,
                                OnAtom onAtom, OnList onList) {
    for (;;) {
        Token token = next();
        switch (token.kind) {
        case TokenKind::Atom:
            onAtom(token);
            break;
        case TokenKind::Open:
            if (!onList(token)) {
                return false;
            }
            break;
        case TokenKind::Close:
            close = token;
            return true;
        case TokenKind::End:
            return fail(list.open.begin,
                        "unbalanced: the (" + std::string(name) + " ...) list is never closed");
        }
    }
}

bool DesignReader::readParser(const ListStart& parser) {
    Token close;
    return readChildren(
        parser, "parser", close, [](const Token&) {},
        [this](const Token& open) {
            ListStart child = startList(open);
            std::size_t end = 0;
            bool known = isKeyword(child.keyword, "string_quote") ||
                         isKeyword(child.keyword, "space_in_quoted_tokens") ||
                         isKeyword(child.keyword, "case_sensitive");
            return known ? readParserSetting(child) : finishList(child, end);
        });
}

// The design's resolution may stand at its top and at the start of its structure; where
// both give one, they must say the same.
bool DesignReader::readResolution(const ListStart& list) {
    std::string_view atoms[2];
    std::size_t end = 0;
    if (!readAtoms(list, atoms, 2, end)) {
        return false;
    }
    if (outline_.resolutionUnit.empty()) {
        outline_.resolutionUnit = atoms[0];
        outline_.resolutionValue = atoms[1];
        outline_.resolutionOffset = list.open.begin;
        return true;
    }
    if (!isKeyword(atoms[0], outline_.resolutionUnit) || atoms[1] != outline_.resolutionValue) {
        return fail(list.open.begin, "a resolution that differs from the design's first one");
    }
    return true;
}

// The design's unit, like its resolution, may stand at its top and in its structure.
bool DesignReader::readUnit(const ListStart& list) {
    std::string_view unit;
    std::size_t end = 0;
    if (!readAtoms(list, &unit, 1, end)) {
        return false;
    }
    if (outline_.designUnit.empty()) {
        outline_.designUnit = unit;
    } else if (!isKeyword(unit, outline_.designUnit)) {
        return fail(list.open.begin, "a unit that differs from the design's first one");
    }
    return true;
}

// Reads a shape such as (polygon <layer> ...) or (path <layer> ...) to its end, giving its
// layer: the first atom after the keyword (empty when there is none).
bool DesignReader::readShapeLayer(const Token& open, std::string_view& layer) {
    ListStart shape = startList(open);
    if (shape.first.kind != TokenKind::Atom) {
        std::size_t end = 0;
        return finishList(shape, end);
    }
    Token layerToken = next();
    layer = layerToken.kind == TokenKind::Atom ? text(layerToken) : std::string_view{};
    std::size_t end = 0;
    return finishList(ListStart{.open = open, .first = layerToken, .keyword = {}}, end);
}

// A section that names another file or folder for a part of itself cannot be seen whole.
bool DesignReader::refuseElsewhere(const ListStart& list, std::string_view section) {
    return fail(list.open.begin, "a (" + std::string(list.keyword) + " ...) inside the (" +
                                     std::string(section) +
                                     " ...): a part of it is in another file");
}

bool DesignReader::readLayer(const ListStart& list) {
    DsnLayer layer;
    bool named = false;
    auto onAtom = [&](const Token& token) {
        if (!named) {
            named = true;
            layer.name = element(token, token.end);
            layer.nameText = text(token);
        }
    };
    auto onList = [&](const Token& open) {
        ListStart child = startList(open);
        std::size_t end = 0;
        std::string_view value;
        bool isType = isKeyword(child.keyword, "type");
        bool isDirection = isKeyword(child.keyword, "direction");
        if (!(isType || isDirection ? readAtoms(child, &value, 1, end) : finishList(child, end))) {
            return false;
        }
        DsnElement childElement = element(open, end);
        if (layer.firstChild.end == 0) {
            layer.firstChild = childElement;
        }
        if (isType) {
            layer.types.push_back(childElement);
            layer.typeValues.push_back(value);
        } else if (isDirection) {
            layer.directions.push_back(childElement);
        }
        if (isType || isKeyword(child.keyword, "property")) {
            layer.lastTypeOrProperty = childElement;
        }
        return true;
    };
    Token close;
    if (!readChildren(list, "layer", close, onAtom, onList)) {
        return false;
    }
    if (!named) {
        return fail(list.open.begin, "a (layer ...) without a name");
    }
    layer.whole = element(list.open, close.end);
    outline_.layers.push_back(std::move(layer));
    return true;
}

// (plane <net> <shape> ...): the net, and the layer of the first shape.
bool DesignReader::readPlane(const ListStart& list) {
    DsnPlane plane{.offset = list.open.begin, .net = {}, .layer = {}};
    bool shapeRead = false;
    Token close;
    bool read = readChildren(
        list, "plane", close,
        [&](const Token& token) {
            if (plane.net.empty()) {
                plane.net = text(token);
            }
        },
        [&](const Token& open) {
            std::string_view layer;
            if (!readShapeLayer(open, layer)) {
                return false;
            }
            if (!shapeRead) {
                shapeRead = true;
                plane.layer = layer;
            }
            return true;
        });
    if (read) {
        outline_.planes.push_back(plane);
    }
    return read;
}

bool DesignReader::readStructure(const ListStart& structure) {
    Token close;
    return readChildren(
        structure, "structure", close, [](const Token&) {},
        [this](const Token& open) {
            ListStart child = startList(open);
            std::size_t end = 0;
            if (isKeyword(child.keyword, "layer")) {
                return readLayer(child);
            }
            if (isKeyword(child.keyword, "plane")) {
                return readPlane(child);
            }
            if (isKeyword(child.keyword, "resolution")) {
                return readResolution(child);
            }
            if (isKeyword(child.keyword, "unit")) {
                return readUnit(child);
            }
            if (isKeyword(child.keyword, "file") || isKeyword(child.keyword, "directory")) {
                return refuseElsewhere(child, "structure");
            }
            return finishList(child, end);
        });
}

bool DesignReader::readLibrary(const ListStart& library) {
    DsnLibrary& result = outline_.library;
    auto onList = [&](const Token& open) {
        ListStart child = startList(open);
        std::size_t end = 0;
        bool read = true;
        if (isKeyword(child.keyword, "unit")) {
            std::string_view unit;
            read = readAtoms(child, &unit, 1, end);
            if (result.unit.empty()) {
                result.unit = unit;
            }
        } else if (isKeyword(child.keyword, "file") || isKeyword(child.keyword, "directory")) {
            return refuseElsewhere(child, "library");
        } else if (isKeyword(child.keyword, "padstack")) {
            // Only the id matters: the rest of a padstack is passed over.
            Token idToken = next();
            std::string_view id =
                idToken.kind == TokenKind::Atom ? text(idToken) : std::string_view{};
            read = finishList(ListStart{.open = open, .first = idToken, .keyword = id}, end);
            if (read) {
                result.padstacks.push_back({.id = id, .whole = element(open, end)});
            }
        } else {
            read = finishList(child, end);
            if (read && isKeyword(child.keyword, "jumper")) {
                result.jumpers.push_back(element(open, end));
            }
        }
        if (read) {
            result.lastChild = element(open, end);
        }
        return read;
    };
    Token close;
    if (!readChildren(
            library, "library", close, [](const Token&) {}, onList)) {
        return false;
    }
    result.whole = element(library.open, close.end);
    result.closeParen = close.begin;
    return true;
}

// Counts the (wire <shape> ...) lists by the layer of their shape; the rest of the wiring,
// its vias among it, is passed over.
bool DesignReader::readWiring(const ListStart& wiring) {
    Token close;
    return readChildren(
        wiring, "wiring", close, [](const Token&) {},
        [this](const Token& open) {
            ListStart child = startList(open);
            std::size_t end = 0;
            if (!isKeyword(child.keyword, "wire")) {
                return finishList(child, end);
            }
            Token shape = next();
            if (shape.kind != TokenKind::Open) {
                return finishList(ListStart{.open = open, .first = shape, .keyword = {}}, end);
            }
            std::string_view layer;
            if (!readShapeLayer(shape, layer) || !skipRest(1, open.begin, end)) {
                return false;
            }
            std::vector<DsnWireCount>& counts = outline_.wiresByLayer;
            auto counted = std::find_if(counts.begin(), counts.end(), [layer](const auto& count) {
                return count.layer == layer;
            });
            if (counted == counts.end()) {
                counts.push_back({.layer = layer, .wires = 1});
            } else {
                ++counted->wires;
            }
            return true;
        });
}

bool DesignReader::readPcbChild(const ListStart& list) {
    std::size_t end = 0;
    if (list.first.kind != TokenKind::Atom) {
        return finishList(list, end);
    }
    if (isKeyword(list.keyword, "parser")) {
        return readParser(list);
    }
    if (isKeyword(list.keyword, "resolution")) {
        return readResolution(list);
    }
    if (isKeyword(list.keyword, "unit")) {
        return readUnit(list);
    }
    // A section may stand in a file of its own, or a part of one: which, the design does
    // not say.
    if (isKeyword(list.keyword, "file")) {
        return fail(list.open.begin, "a (file ...) in the design: a section or a part of one is "
                                     "in another file");
    }
    // Which of two structures or libraries the router takes, the design does not say either.
    if (isKeyword(list.keyword, "structure")) {
        if (outline_.hasStructure) {
            return fail(list.open.begin, "a second (structure ...)");
        }
        outline_.hasStructure = true;
        outline_.structureOffset = list.open.begin;
        return readStructure(list);
    }
    if (isKeyword(list.keyword, "library")) {
        if (outline_.hasLibrary) {
            return fail(list.open.begin, "a second (library ...)");
        }
        outline_.hasLibrary = true;
        return readLibrary(list);
    }
    if (isKeyword(list.keyword, "wiring")) {
        return readWiring(list);
    }
    return finishList(list, end);
}

bool DesignReader::checkEnd(std::size_t pcbBegin) {
    Token after = next();
    if (failed_) {
        return false;
    }
    if (after.kind == TokenKind::Close) {
        return fail(after.begin, "unbalanced: this ')' closes more lists than were opened");
    }
    if (after.kind != TokenKind::End) {
        return fail(after.begin, "text after the end of the (pcb ...) list");
    }
    if (!outline_.hasStructure) {
        return fail(pcbBegin, "the design has no (structure ...)");
    }
    if (!outline_.hasLibrary) {
        return fail(pcbBegin, "the design has no (library ...)");
    }
    return true;
}

bool DesignReader::read() {
    // A byte order mark that an editor put before the text is passed over, and kept.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text_.starts_with(kByteOrderMark)) {
        position_ = lastTokenEnd_ = kByteOrderMark.size();
    }
    Token open = next();
    if (open.kind == TokenKind::End) {
        return fail(open.begin, "the design is empty");
    }
    if (open.kind != TokenKind::Open) {
        return fail(open.begin, "the design does not start with '('");
    }
    ListStart pcb = startList(open);
    if (!isKeyword(pcb.keyword, "pcb")) {
        return fail(pcb.first.begin, "the design is not a (pcb ...) list");
    }
    Token close;
    if (!readChildren(
            pcb, "pcb", close, [](const Token&) {},
            [this](const Token& child) { return readPcbChild(startList(child)); })) {
        return false;
    }
    return checkEnd(open.begin);
}

} // namespace

bool readDesignOutline(std::string_view text, DsnOutline& outline, DsnProblem& problem) {
    outline = DsnOutline{};
    problem = DsnProblem{};
    return DesignReader(text, outline, problem).read();
}

std::string unquotedId(std::string_view id, char stringQuote) {
    std::string result;
    result.reserve(id.size());
    for (char c : id) {
        if (stringQuote == '\0' || c != stringQuote) {
            result.push_back(c);
        }
    }
    return result;
}
