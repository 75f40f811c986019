#include "board_scan.h"

#include "common/bounded_text.h"
#include "diag/log.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define MORVANE_X86_SEARCH 1
#include <immintrin.h>
#endif

StyleNameList padStyles{};
StyleNameList viaStyles{};

namespace {

constexpr std::size_t kKeywordLength = 11; // "padStyleDef", "viaStyleDef"
constexpr std::size_t kKindLength = 3;     // "pad", "via"
// Both keywords end in this tail, so one search finds either.
constexpr std::string_view kKeywordTail = "StyleDef";
// The tail byte the search tests first.
constexpr char kFirstProbe = 'S';

constexpr std::string_view kAddPad = "Add pad: ";
constexpr std::string_view kAddVia = "Add via: ";
constexpr std::string_view kPadTooLong = "Pad style left out, name too long: ";
constexpr std::string_view kViaTooLong = "Via style left out, name too long: ";
constexpr std::string_view kPadListFull = "Pad style left out, list full: ";
constexpr std::string_view kViaListFull = "Via style left out, list full: ";
// Marks a name cut for the log only: the name itself is never stored cut.
constexpr std::string_view kCutMark = "...";
constexpr std::string_view kLineEnd = "\r\n";

constexpr std::string_view kViaPrefix = "CCTVIA_";

// Via definitions met while the pad list is still growing wait here, so that the text is
// searched once. 512 KiB, touched only as far as it is used.
std::size_t deferredVias[kDeferredViaCapacity];

// End: the NUL that ends the text. None: no keyword at the place looked at.
enum class Keyword { None, Pad, Via, End };

struct Hit {
    std::size_t position; // of the keyword, or of the NUL ending the text
    Keyword keyword;
};

bool isSpace(char byte) {
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

const char* skipSpace(const char* text) {
    while (isSpace(*text)) {
        ++text;
    }
    return text;
}

// Whether `text + tail` holds a keyword that starts at or after `from`. Reads nothing past
// a NUL: every comparison stops at the first byte that differs.
inline Keyword keywordAt(const char* text, std::size_t from, std::size_t tail) {
    if (tail < from + kKindLength) {
        return Keyword::None;
    }
    for (std::size_t index = 0; index < kKeywordTail.size(); ++index) {
        if (text[tail + index] != kKeywordTail[index]) {
            return Keyword::None;
        }
    }
    std::string_view kind(text + tail - kKindLength, kKindLength);
    if (kind == "pad") {
        return Keyword::Pad;
    }
    if (kind == "via") {
        return Keyword::Via;
    }
    return Keyword::None;
}

// The keywords one search finds, in text order. A search stops at the NUL that ends the
// text (the last hit, End) or when the batch is full; the next search starts at `resume`.
struct HitBatch {
    static constexpr std::size_t kCapacity = 32;
    Hit hits[kCapacity];
    std::size_t count = 0;
    std::size_t resume = 0;

    // Adds a hit; returns true when the search is to stop.
    bool add(Hit hit) {
        hits[count++] = hit;
        resume = hit.position + kKeywordLength;
        return hit.keyword == Keyword::End || count == kCapacity;
    }
};

// Searches whole blocks from `position` for keywords and the NUL ending the text. Returns
// true when the batch is done; false with `position` at the first byte not searched when
// fewer than a block's bytes are left.
using BlockSearch = bool (*)(const char* text, std::size_t length, std::size_t from,
                             std::size_t& position, HitBatch& batch);

#if defined(MORVANE_X86_SEARCH)
// The search reads the text a block at a time and marks, one bit per byte, each NUL and
// each byte where both probe bytes of a keyword tail stand. A block is read only while every
// byte it tests, and the whole tail behind any mark, lies within text[0..length].
constexpr std::size_t kBlockSize = 64;
// The second probe byte; "StyleRef" and most other near misses fail on it.
constexpr std::size_t kSecondProbeOffset = 5;
constexpr char kSecondProbe = 'D';
constexpr std::size_t kBlockReach = kBlockSize + kKeywordTail.size() - 1;

// Adds the keywords and the NUL among the marks of the block at `block`, in text order.
// Returns true when the batch is done.
inline bool resolveMarks(const char* text, std::size_t from, std::size_t block, uint64_t marks,
                         HitBatch& batch) {
    while (marks != 0) {
        std::size_t candidate = block + static_cast<std::size_t>(__builtin_ctzll(marks));
        marks &= marks - 1;
        if (text[candidate] == '\0') {
            return batch.add({candidate, Keyword::End});
        }
        // Keywords cannot overlap, so each one found here starts after the one before.
        Keyword keyword = keywordAt(text, from, candidate);
        if (keyword != Keyword::None && batch.add({candidate - kKindLength, keyword})) {
            return true;
        }
    }
    return false;
}

// Each search tests a step of one or two blocks at once for any mark, NULs by way of the
// smallest byte, and works out the marks of each block only when there is one. The text
// is read far ahead of the search, since it is read only once.
constexpr std::size_t kPrefetchDistance = 2048;

inline void prefetchAhead(const char* text, std::size_t length, std::size_t position) {
    __builtin_prefetch(text + std::min(position + kPrefetchDistance, length));
}

__attribute__((target("sse2"))) bool searchBlocksSse2(const char* text, std::size_t length,
                                                      std::size_t from, std::size_t& position,
                                                      HitBatch& batch) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i first = _mm_set1_epi8(kFirstProbe);
    const __m128i second = _mm_set1_epi8(kSecondProbe);
    std::size_t at = position;
    for (; length - at >= kBlockReach; at += kBlockSize) {
        const char* bytes = text + at;
        prefetchAhead(text, length, at);
        __m128i here[4];
        __m128i probes[4];
        for (int part = 0; part < 4; ++part) {
            here[part] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
            __m128i ahead = _mm_loadu_si128(
                reinterpret_cast<const __m128i*>(bytes + 16 * part + kSecondProbeOffset));
            probes[part] =
                _mm_and_si128(_mm_cmpeq_epi8(here[part], first), _mm_cmpeq_epi8(ahead, second));
        }
        __m128i smallest =
            _mm_min_epu8(_mm_min_epu8(here[0], here[1]), _mm_min_epu8(here[2], here[3]));
        __m128i any =
            _mm_or_si128(_mm_or_si128(probes[0], probes[1]), _mm_or_si128(probes[2], probes[3]));
        if (_mm_movemask_epi8(_mm_or_si128(any, _mm_cmpeq_epi8(smallest, zero))) == 0) {
            continue;
        }
        uint64_t marks = 0;
        for (int part = 0; part < 4; ++part) {
            __m128i partMarks = _mm_or_si128(probes[part], _mm_cmpeq_epi8(here[part], zero));
            marks |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(partMarks)))
                     << (16 * part);
        }
        if (resolveMarks(text, from, at, marks, batch)) {
            return true;
        }
    }
    position = at;
    return false;
}

__attribute__((target("avx2"))) bool searchBlocksAvx2(const char* text, std::size_t length,
                                                      std::size_t from, std::size_t& position,
                                                      HitBatch& batch) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i first = _mm256_set1_epi8(kFirstProbe);
    const __m256i second = _mm256_set1_epi8(kSecondProbe);
    std::size_t at = position;
    for (; length - at >= kBlockReach; at += kBlockSize) {
        const char* bytes = text + at;
        prefetchAhead(text, length, at);
        __m256i here[2];
        __m256i probes[2];
        for (int part = 0; part < 2; ++part) {
            here[part] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32 * part));
            __m256i ahead = _mm256_loadu_si256(
                reinterpret_cast<const __m256i*>(bytes + 32 * part + kSecondProbeOffset));
            probes[part] = _mm256_and_si256(_mm256_cmpeq_epi8(here[part], first),
                                            _mm256_cmpeq_epi8(ahead, second));
        }
        __m256i smallest = _mm256_min_epu8(here[0], here[1]);
        __m256i any = _mm256_or_si256(_mm256_or_si256(probes[0], probes[1]),
                                      _mm256_cmpeq_epi8(smallest, zero));
        if (_mm256_testz_si256(any, any)) {
            continue;
        }
        uint64_t marks = 0;
        for (int part = 0; part < 2; ++part) {
            __m256i partMarks = _mm256_or_si256(probes[part], _mm256_cmpeq_epi8(here[part], zero));
            marks |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(partMarks)))
                     << (32 * part);
        }
        if (resolveMarks(text, from, at, marks, batch)) {
            return true;
        }
    }
    position = at;
    return false;
}

// Probe marks of the 64-byte block at `bytes`, whose bytes are loaded in `here`.
__attribute__((target("avx512f,avx512bw"))) inline __mmask64 probeMarksAvx512(const char* bytes,
                                                                              __m512i here) {
    __m512i ahead = _mm512_loadu_si512(bytes + kSecondProbeOffset);
    return _mm512_mask_cmpeq_epi8_mask(_mm512_cmpeq_epi8_mask(here, _mm512_set1_epi8(kFirstProbe)),
                                       ahead, _mm512_set1_epi8(kSecondProbe));
}

__attribute__((target("avx512f,avx512bw"))) bool
searchBlocksAvx512(const char* text, std::size_t length, std::size_t from, std::size_t& position,
                   HitBatch& batch) {
    std::size_t at = position;
    // Two blocks a step while they fit; the masks stay in mask registers until one is set.
    for (; length - at >= kBlockSize + kBlockReach; at += 2 * kBlockSize) {
        const char* bytes = text + at;
        prefetchAhead(text, length, at);
        prefetchAhead(text, length, at + kBlockSize);
        __m512i here0 = _mm512_loadu_si512(bytes);
        __m512i here1 = _mm512_loadu_si512(bytes + kBlockSize);
        __mmask64 probes0 = probeMarksAvx512(bytes, here0);
        __mmask64 probes1 = probeMarksAvx512(bytes + kBlockSize, here1);
        __m512i smallest = _mm512_min_epu8(here0, here1);
        if (_kortestz_mask64_u8(_kor_mask64(probes0, probes1),
                                _mm512_testn_epi8_mask(smallest, smallest))) {
            continue;
        }
        if (resolveMarks(text, from, at,
                         _cvtmask64_u64(_kor_mask64(probes0, _mm512_testn_epi8_mask(here0, here0))),
                         batch) ||
            resolveMarks(text, from, at + kBlockSize,
                         _cvtmask64_u64(_kor_mask64(probes1, _mm512_testn_epi8_mask(here1, here1))),
                         batch)) {
            return true;
        }
    }
    for (; length - at >= kBlockReach; at += kBlockSize) {
        __m512i here = _mm512_loadu_si512(text + at);
        uint64_t marks = _cvtmask64_u64(
            _kor_mask64(probeMarksAvx512(text + at, here), _mm512_testn_epi8_mask(here, here)));
        if (marks != 0 && resolveMarks(text, from, at, marks, batch)) {
            return true;
        }
    }
    position = at;
    return false;
}
#endif

SearchWidth searchWidthLimit = SearchWidth::Avx512;

// The widest search this processor runs, within the limit.
SearchWidth chooseSearchWidth() {
#if defined(MORVANE_X86_SEARCH)
    __builtin_cpu_init();
    if (searchWidthLimit >= SearchWidth::Avx512 && __builtin_cpu_supports("avx512bw")) {
        return SearchWidth::Avx512;
    }
    if (searchWidthLimit >= SearchWidth::Avx2 && __builtin_cpu_supports("avx2")) {
        return SearchWidth::Avx2;
    }
    // 32-bit x86 processors before the Pentium 4 lack even this.
    if (searchWidthLimit >= SearchWidth::Sse2 && __builtin_cpu_supports("sse2")) {
        return SearchWidth::Sse2;
    }
#endif
    return SearchWidth::Bytes;
}

BlockSearch blockSearchOf(SearchWidth width) {
    switch (width) {
#if defined(MORVANE_X86_SEARCH)
    case SearchWidth::Avx512:
        return searchBlocksAvx512;
    case SearchWidth::Avx2:
        return searchBlocksAvx2;
    case SearchWidth::Sse2:
        return searchBlocksSse2;
#endif
    default:
        // Leaves the whole text to the byte-wise search.
        return [](const char*, std::size_t, std::size_t, std::size_t&, HitBatch&) { return false; };
    }
}

// Fills `batch` with the keywords from `from` on, up to the NUL that ends the text or as
// many as the batch holds. `from` must not lie past that NUL.
void findKeywords(BlockSearch searchBlocks, const char* text, std::size_t length, std::size_t from,
                  HitBatch& batch) {
    batch.count = 0;
    std::size_t position = from;
    if (searchBlocks(text, length, from, position, batch)) {
        return;
    }
    for (;; ++position) {
        if (text[position] == '\0') {
            batch.add({position, Keyword::End});
            return;
        }
        if (text[position] == kFirstProbe) {
            Keyword keyword = keywordAt(text, from, position);
            if (keyword != Keyword::None && batch.add({position - kKindLength, keyword})) {
                return;
            }
        }
    }
}

uint32_t hashName(std::string_view name) {
    uint32_t hash = 2166136261u;
    for (char byte : name) {
        hash = (hash ^ static_cast<unsigned char>(byte)) * 16777619u;
    }
    return hash;
}

// The names of the finished pad list, for a constant-time check per via. Slots hold an
// entry's index plus one; 0 is free.
class PadNameIndex {
  public:
    void build(const StyleNameList& list, std::size_t count) {
        std::memset(slots_, 0, sizeof slots_);
        for (std::size_t entry = 0; entry < count; ++entry) {
            std::size_t slot = hashName(list.entries[entry]) & kSlotMask;
            while (slots_[slot] != 0) {
                slot = (slot + 1) & kSlotMask;
            }
            slots_[slot] = static_cast<uint8_t>(entry + 1);
        }
    }

    bool contains(const StyleNameList& list, std::string_view name) const {
        if (name.size() >= kStyleNameWidth) {
            return false;
        }
        for (std::size_t slot = hashName(name) & kSlotMask; slots_[slot] != 0;
             slot = (slot + 1) & kSlotMask) {
            if (name == list.entries[slots_[slot] - 1]) {
                return true;
            }
        }
        return false;
    }

  private:
    // At least twice the entries, so that probe runs stay short.
    static constexpr std::size_t kSlotCount = 512;
    static constexpr std::size_t kSlotMask = kSlotCount - 1;
    static_assert(kSlotCount >= 2 * kMaxStyleNames && kMaxStyleNames < 256);
    uint8_t slots_[kSlotCount];
};

// Text put together from pieces in a fixed buffer; a piece that would not fit is dropped.
template <std::size_t Capacity> class TextBuilder {
  public:
    TextBuilder& append(std::string_view text) {
        if (text.size() <= Capacity - size_) {
            std::memcpy(bytes_ + size_, text.data(), text.size());
            size_ += text.size();
        }
        return *this;
    }
    std::string_view text() const { return {bytes_, size_}; }

  private:
    char bytes_[Capacity];
    std::size_t size_ = 0;
};

// The longest log line: a label, a name cut to a token's width, the cut mark and CR LF.
constexpr std::size_t kLogLineCapacity =
    kViaTooLong.size() + kTokenCapacity - 1 + kCutMark.size() + kLineEnd.size();
static_assert(kViaTooLong.size() >= kPadTooLong.size() &&
              kViaTooLong.size() >= kViaListFull.size() && kViaTooLong.size() >= kAddVia.size());

enum class TokenRead { Read, None, TooLong };

// One scan's working state. One token serves both lists: a keyword with no name after it
// leaves the name read last in place, and that name is logged again.
class Scanner {
  public:
    Scanner(const char* text, std::size_t length)
        : text_(text), length_(length), searchBlocks_(blockSearchOf(chooseSearchWidth())) {}

    void run() {
        HeldVias held = addPadsHoldingVias();
        padStyles.entries[padCount_][0] = '\0';
        padIndex_.build(padStyles, padCount_);
        addHeldVias(held.count);
        if (held.overflowed) {
            addViasFrom(held.firstNotHeld);
        }
        viaStyles.entries[viaCount_][0] = '\0';
    }

  private:
    struct HeldVias {
        std::size_t count = 0;
        bool overflowed = false;
        std::size_t firstNotHeld = 0;
    };

    // Adds the pads in one search of the whole text and holds back the vias met on the way,
    // as many as fit in deferredVias.
    HeldVias addPadsHoldingVias() {
        HeldVias held;
        HitBatch batch;
        std::size_t position = 0;
        for (;;) {
            findKeywords(searchBlocks_, text_, length_, position, batch);
            for (std::size_t index = 0; index < batch.count; ++index) {
                const Hit& hit = batch.hits[index];
                if (hit.keyword == Keyword::End) {
                    return held;
                }
                if (hit.keyword == Keyword::Pad) {
                    addPad(text_ + hit.position + kKeywordLength);
                } else if (!held.overflowed && held.count < kDeferredViaCapacity) {
                    deferredVias[held.count++] = hit.position;
                } else if (!held.overflowed) {
                    held.overflowed = true;
                    held.firstNotHeld = hit.position;
                }
            }
            // The next definition may start inside the last one's name.
            position = batch.resume;
        }
    }

    void addHeldVias(std::size_t count) {
        // They lie far apart in a large text: fetch ahead of use.
        constexpr std::size_t kViasAhead = 8;
        for (std::size_t index = 0; index < count; ++index) {
#if defined(__GNUC__)
            if (index + kViasAhead < count) {
                __builtin_prefetch(text_ + deferredVias[index + kViasAhead]);
            }
#endif
            addVia(text_ + deferredVias[index] + kKeywordLength);
        }
    }

    void addViasFrom(std::size_t position) {
        HitBatch batch;
        for (;;) {
            findKeywords(searchBlocks_, text_, length_, position, batch);
            for (std::size_t index = 0; index < batch.count; ++index) {
                const Hit& hit = batch.hits[index];
                if (hit.keyword == Keyword::End) {
                    return;
                }
                if (hit.keyword == Keyword::Via) {
                    addVia(text_ + hit.position + kKeywordLength);
                }
            }
            position = batch.resume;
        }
    }

    // Takes the next whitespace-delimited token as the current name. A token longer than
    // kTokenCapacity - 1 bytes is not taken, and the name becomes empty, so that no older
    // name stands in for it.
    TokenRead readToken(const char* from) {
        const char* start = skipSpace(from);
        std::size_t size = 0;
        while (size < kTokenCapacity && start[size] != '\0' && !isSpace(start[size])) {
            ++size;
        }
        if (size == 0) {
            return TokenRead::None;
        }
        if (size == kTokenCapacity) {
            token_ = "";
            overlong_ = std::string_view(start, kTokenCapacity - 1);
            return TokenRead::TooLong;
        }
        token_ = std::string_view(start, size);
        return TokenRead::Read;
    }

    // Double quotes become spaces and the first token of the result is the name; a token
    // of quotes only stays as it was.
    void unquote() {
        std::size_t start = token_.find_first_not_of('"');
        if (start == std::string_view::npos) {
            return;
        }
        token_ = token_.substr(start, token_.find('"', start) - start);
    }

    void addPad(const char* afterKeyword) {
        TokenRead read = readToken(afterKeyword);
        if (read == TokenRead::TooLong) {
            logLine(kPadTooLong, overlong_, kCutMark);
            return;
        }
        unquote();
        if (token_.size() >= kStyleNameWidth) {
            logLine(kPadTooLong, token_);
            return;
        }
        // A keyword without a name still writes the slot, which the next name or the end
        // marker then takes over.
        bool counted = read == TokenRead::Read;
        if (counted && padCount_ == kMaxStyleNames) {
            logLine(kPadListFull, token_);
            return;
        }
        copyBounded(padStyles.entries[padCount_], token_);
        logLine(kAddPad, token_);
        if (counted) {
            ++padCount_;
        }
    }

    // Skips the name's opening quote, which is assumed to be there: a name written without
    // quotes loses its first character.
    void addVia(const char* afterKeyword) {
        const char* opening = skipSpace(afterKeyword);
        if (*opening != '\0') {
            ++opening;
        }
        TokenRead read = readToken(opening);
        if (read == TokenRead::TooLong) {
            logLine(kViaTooLong, overlong_, kCutMark);
            return;
        }
        unquote();
        TextBuilder<kViaPrefix.size() + kTokenCapacity> prefixed;
        std::string_view name = token_;
        if (padIndex_.contains(padStyles, token_)) {
            name = prefixed.append(kViaPrefix).append(token_).text();
        }
        bool quoted = name.find_first_of("()") != std::string_view::npos;
        if (name.size() + (quoted ? 2 : 0) >= kStyleNameWidth) {
            logLine(kViaTooLong, name);
            return;
        }
        bool counted = read == TokenRead::Read;
        if (counted && viaCount_ == kMaxStyleNames) {
            logLine(kViaListFull, name);
            return;
        }
        std::string_view quote = quoted ? "'" : "";
        TextBuilder<kStyleNameWidth> entry;
        copyBounded(viaStyles.entries[viaCount_],
                    entry.append(quote).append(name).append(quote).text());
        logLine(kAddVia, name);
        if (counted) {
            ++viaCount_;
        }
    }

    static void logLine(std::string_view label, std::string_view name, std::string_view mark = "") {
        TextBuilder<kLogLineCapacity> line;
        writeLog(line.append(label).append(name).append(mark).append(kLineEnd).text());
    }

    const char* text_;
    std::size_t length_;
    BlockSearch searchBlocks_;
    std::size_t padCount_ = 0;
    std::size_t viaCount_ = 0;
    // The name read last, within the text: the scan's one token, shared by both lists.
    // Never a null view: copyBounded hands its data to memcpy.
    std::string_view token_ = "";
    std::string_view overlong_;
    PadNameIndex padIndex_{};
};

} // namespace

SearchWidth limitSearchWidth(SearchWidth widest) {
    searchWidthLimit = widest;
    return chooseSearchWidth();
}

void scanBoardText(const char* text, std::size_t length) {
    Scanner scanner(text, length);
    scanner.run();
}
