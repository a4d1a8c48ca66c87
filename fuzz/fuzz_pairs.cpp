// Opens the fuzz collection's full-text index with a pair file that the input makes out of a
// sound one, and runs queries on it beside the same index opened without a pair file.
//
// Input: u8 mode, u32 cut, u8 n + n x (u32 offset, u8 bits to flip), then up to kMaxOperations
// operations (u8 op, query). The edits flip bits at offset % size. Mode bit 0 makes every hash
// match again after the edits (each row's whose bytes lie inside the file, and the table's), so
// that the checks behind the hashes are reached: the order of a row's entries, its list offsets
// and the lists themselves. Mode bit 1 cuts the file at cut % (size + 1). Mode bit 2 picks the
// file of characters one apart in place of the neighbours' file.
//
// Without bit 0 no edit can forge a hash, so the answers must be those of the index without a
// pair file. With it a forged file may say wrong things; then only the properties of the hit
// set are checked, and that nothing is read out of range.

#include "fuzz/fuzzcollection.h"
#include "fuzz/fuzzinput.h"

#include "engine/index.h"
#include "engine/pairtable.h"
#include "platform/mappedfile.h"
#include "tools/writer/pairfilewriter.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>

using namespace varo;

namespace {

// A few queries look up enough pairs to read the file's rows and lists; more only repeat what
// the others did, at the cost of two searches each.
constexpr int kMaxOperations = 8;

// A little-endian number of width bytes.
uint64_t Load(const std::string& bytes, size_t offset, int width)
{
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[offset + static_cast<size_t>(i)]);
    return value;
}

uint64_t Load64(const std::string& bytes, size_t offset)
{
    return Load(bytes, offset, 8);
}

uint32_t Load32(const std::string& bytes, size_t offset)
{
    return static_cast<uint32_t>(Load(bytes, offset, 4));
}

void Store64(std::string& bytes, size_t offset, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        bytes[offset + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

const uint8_t* Data(const std::string& bytes)
{
    return reinterpret_cast<const uint8_t*>(bytes.data());
}

// The row hashes and the table hash as the bytes now give them, for the row table where the
// header now puts it.
void MatchHashes(std::string& bytes)
{
    if (bytes.size() < kPairHeaderSize)
        return;
    const uint64_t table = Load64(bytes, 56);
    const uint64_t tableBytes = uint64_t{Load32(bytes, 64)} * kPairRowRecordSize;
    if (table < kPairHeaderSize || table > bytes.size() || bytes.size() - table != tableBytes)
        return;
    for (size_t record = static_cast<size_t>(table); record < bytes.size(); record += kPairRowRecordSize) {
        const uint64_t offset = Load64(bytes, record + 8);
        const uint64_t length = uint64_t{Load32(bytes, record + 4)} * 8 + Load32(bytes, record + 16);
        if (offset >= kPairHeaderSize && offset <= table && length <= table - offset)
            Store64(bytes, record + 24, PairFileHash(Data(bytes) + offset, static_cast<size_t>(length)));
    }
    Store64(bytes, 72,
            PairFileHash(Data(bytes) + table, static_cast<size_t>(tableBytes), PairFileHash(Data(bytes), 72)));
}

// Both indexes stay open for the whole run; only the pair file changes from input to input, and
// the fingerprint keeps the index files' hashes, so an input costs no hashing of them.
struct Fixture {
    std::string sound[kMaxPairGap + 1];  // by gap
    std::string work;
    CIndex plain;
    CIndex paired;
    std::optional<IndexFingerprint> fingerprint;
};

Fixture& TheFixture()
{
    static Fixture fixture;
    return fixture;
}

void CheckHitSet(const CIndex& index, bool andQuery, bool countHits)
{
    const CDWordArray& pages = index.GetHitPages();
    VARO_FUZZ_CHECK(index.m_hitPageCount == pages.size());
    if (countHits)
        VARO_FUZZ_CHECK(index.GetHitCounts().size() == pages.size());
    if (andQuery)
        VARO_FUZZ_CHECK(std::adjacent_find(pages.begin(), pages.end(), std::greater_equal<uint32_t>()) == pages.end());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::HoldCollection();
    Fixture& fixture = TheFixture();
    MappedFile header;
    MappedFile postings;
    if (!header.Map(fuzz::HeldPath(u"Index-idx.h")) || !postings.Map(fuzz::HeldPath(u"Index-idx.m")))
        std::abort();
    for (uint32_t gap = 0; gap <= kMaxPairGap; ++gap) {
        writer::PairFileOptions options;
        options.gap = gap;
        if (!writer::BuildPairImage({header.Data(), header.Size()}, {postings.Data(), postings.Size()}, options,
                                    fixture.sound[gap])
                 .empty())
            std::abort();
    }
    if (!fixture.plain.Open(fuzz::kHeldFolder, u"Index", INDEX_FULL_TEXT) ||
        !fixture.paired.Open(fuzz::kHeldFolder, u"Index", INDEX_FULL_TEXT))
        std::abort();
    fixture.fingerprint = fixture.paired.Fingerprint();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fixture& fixture = TheFixture();
    fuzz::Reader input(data, size);
    const uint8_t mode = input.Byte();
    const uint32_t cut = input.U32();
    const uint32_t gap = (mode >> 2) & 1;
    std::string& bytes = fixture.work;
    bytes.assign(fixture.sound[gap]);
    bool edited = false;
    for (uint8_t n = input.Byte(); n > 0 && !input.Empty(); --n) {
        const uint32_t offset = input.U32();
        const uint8_t bits = input.Byte();
        bytes[offset % bytes.size()] = static_cast<char>(bytes[offset % bytes.size()] ^ bits);
        edited = edited || bits != 0;
    }
    const bool forged = (mode & 1) != 0;
    if (forged)
        MatchHashes(bytes);
    const size_t heldSize = (mode & 2) != 0 ? cut % (bytes.size() + 1) : bytes.size();
    // A buffer of exactly the file's size, so that the sanitizer sees any read past its end.
    const auto held = std::make_unique<uint8_t[]>(heldSize);
    std::copy_n(bytes.begin(), heldSize, held.get());
    const std::span<const uint8_t> heldBytes(held.get(), heldSize);

    CIndex& index = fixture.paired;
    // The sound file is taken.
    const bool taken = index.UsePairFile(heldBytes, *fixture.fingerprint, gap);
    VARO_FUZZ_CHECK(taken || edited || heldSize != bytes.size());
    for (int operations = 0; !input.Empty() && operations < kMaxOperations; ++operations) {
        const uint8_t op = input.Byte();
        const std::u16string query = input.Query();
        const bool andQuery = (op & 1) == 0;
        const bool countHits = (op & 2) != 0;
        const bool useVariants = (op & 4) != 0;
        std::u16string pairedQuery = query;
        std::u16string plainQuery = query;
        const int paired = andQuery ? index.SearchAnd(pairedQuery, countHits, useVariants)
                                    : index.SearchOr(pairedQuery, countHits, useVariants);
        // A refused query leaves the hit set of the query before, which may be another
        // input's: only answers are compared.
        if (CIndex::CheckQuery(query) == 0)
            continue;
        CheckHitSet(index, andQuery, countHits);
        if (forged)
            continue;
        const int plain = andQuery ? fixture.plain.SearchAnd(plainQuery, countHits, useVariants)
                                   : fixture.plain.SearchOr(plainQuery, countHits, useVariants);
        VARO_FUZZ_CHECK(paired == plain);
        VARO_FUZZ_CHECK(index.GetHitPages() == fixture.plain.GetHitPages());
        VARO_FUZZ_CHECK(index.GetHitCounts() == fixture.plain.GetHitCounts());
    }
    index.UsePairFile({}, *fixture.fingerprint, gap);
    return 0;
}
