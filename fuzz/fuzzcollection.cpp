#include "fuzz/fuzzcollection.h"

#include "platform/memoryfiles.h"
#include "platform/nativepath.h"
#include "store/pagemarkup.h"
#include "text/codeconverter.h"

#include <cstdio>
#include <cstdlib>

namespace varo::fuzz {

namespace {

struct PageSpec {
    int volume;
    int label;
    std::u32string main;        // main text before the annotation
    std::u32string annotation;  // the annotation
    std::u32string after;       // main text after it
};

std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text)
        CCodeConverter::AppendUtf8(out, c);
    return out;
}

void Check(const std::string& error)
{
    if (!error.empty()) {
        std::fprintf(stderr, "varo fuzz: cannot write the collection: %s\n", error.c_str());
        std::abort();
    }
}

}  // namespace

std::string StoredPage(const std::string& title, const std::string& firstCell, const std::string& secondCell)
{
    return "<html><head><title>" + title + "</title></head><body><TABLE><tr><TD width=80>" + firstCell +
           "</TD><TD width=450>" + secondCell + "</TD></tr></TABLE></body></html>";
}

std::vector<writer::PageInput> CollectionPages()
{
    const std::vector<PageSpec> specs = {
        {0, 1, U"詩云詩云詩", U"書曰", U"學而之"},
        {0, 2, U"乾干乾", U"干", U"經經"},
        {0, 3, U"一壹弌二三", U"詩經", U"之而"},
        {0, 4, U"春秋易禮樂", U"", U"詩书"},
        {1, 1, U"詩經", U"経", U"孟"},
        {1, 2, U"經", U"诗", U"云"},
        {2, 7, U"史記之詩經", U"乾", U"干"},
        {2, 8, U"あいう\uE000\uF900", U"𠀀", U"史"},
    };
    std::vector<writer::PageInput> pages;
    for (const PageSpec& pageSpec : specs) {
        char name[64];
        std::snprintf(name, sizeof name, "c\\v%d\\%04d.htm", pageSpec.volume, pageSpec.label);
        const std::string cell = Utf8(pageSpec.main) + std::string(kParagraphStart) + std::string(kAnnotationStart) +
                                 Utf8(pageSpec.annotation) + std::string(kAnnotationEnd) + std::string(kHeadingStart) +
                                 Utf8(pageSpec.after);
        writer::PageInput page;
        page.recordName = name;
        page.html = pageSpec.label % 2 == 0 ? StoredPage("T", cell, "margin") : StoredPage("T", "margin", cell);
        page.indexed[INDEX_FULL_TEXT] = pageSpec.main + pageSpec.annotation + pageSpec.after;
        page.indexed[INDEX_MAIN_TEXT] = pageSpec.main + pageSpec.after;
        page.indexed[INDEX_ANNOTATIONS] = pageSpec.annotation;
        pages.push_back(std::move(page));
    }
    return pages;
}

writer::VariantGroups CollectionGroups()
{
    return {{0x4E7E, 0x5E72}, {0x7D93, 0x7D4C}, {0x8A69, 0x8BD7}, {0x4E00, 0x58F9, 0x5F0C}};
}

std::vector<writer::CatalogueEntry> CollectionCatalogue()
{
    return {
        {u"經部", 1, 1, 6, 1}, {u"論語", 2, 1, 6, 1}, {u"學而", 3, 1, 4, 1}, {u"爲政", 3, 5, 2, 1},
        {u"史部", 1, 7, 2, 7}, {u"史記", 2, 7, 2, 7}, {u"本紀", 3, 7, 2, 7},
    };
}

void WriteCollection(const std::filesystem::path& folder)
{
    Check(writer::WriteTextSet(folder, kSetName, CollectionPages(), CollectionGroups()));
    std::string catalogue;
    Check(writer::BuildCatalogueImage(CollectionCatalogue(), catalogue));
    if (!writer::WriteFileBytes(folder / "zlq.dir", catalogue))
        Check("zlq.dir");
}

std::u16string HeldPath(std::u16string_view name)
{
    return JoinPath(kHeldFolder, name);
}

void HoldCollection()
{
    const std::vector<writer::PageInput> pages = CollectionPages();
    const writer::VariantGroups groups = CollectionGroups();
    writer::StoreImage store;
    Check(writer::BuildStoreImage(pages, {}, store));
    MemoryFiles::Put(HeldPath(u"Index-fl.h"), std::move(store.list));
    MemoryFiles::Put(HeldPath(u"Index-fl.cnt"), std::move(store.content));
    for (int kind : {INDEX_FULL_TEXT, INDEX_ANNOTATIONS, INDEX_MAIN_TEXT}) {
        writer::IndexImage index;
        Check(writer::BuildIndexImage(pages, kind, groups, {}, index));
        MemoryFiles::Put(HeldPath(CCodeConverter::Utf8ToUtf16(writer::IndexHeaderName(kSetName, kind))),
                         std::move(index.header));
        MemoryFiles::Put(HeldPath(CCodeConverter::Utf8ToUtf16(writer::PostingFileName(kSetName, kind))),
                         std::move(index.postings));
    }
    MemoryFiles::Put(HeldPath(u"yitizi.txt"), writer::FormatVariantTable(groups));
    std::string catalogue;
    Check(writer::BuildCatalogueImage(CollectionCatalogue(), catalogue));
    MemoryFiles::Put(HeldPath(u"zlq.dir"), std::move(catalogue));
}

}  // namespace varo::fuzz
