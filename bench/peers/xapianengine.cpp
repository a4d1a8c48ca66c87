// Xapian. Every character with an index slot (the characters varo indexes) is a term with its
// character position; a phrase is OP_PHRASE over its characters with a window of their number;
// A*B is OP_PHRASE {A, B} with a window of 302 positions (B 1 to 301 positions after A). Every
// match is collected by a match spy, so no ranked list of results is built; with hit counts the
// weight of a page is the sum of its terms' within-document frequencies.

#include "bench/peers/engines.h"
#include "bench/peers/pagetexts.h"

#include "engine/index.h"
#include "text/codeconverter.h"

#include <xapian.h>

#include <cstdio>

namespace varo::peers {

namespace {

constexpr unsigned kMaxGap = 300;

// A page's weight is the number of times its terms occur in it.
class WdfWeight : public Xapian::Weight {
public:
    WdfWeight()
    {
        need_stat(WDF);
        need_stat(WDF_MAX);
    }
    Weight* clone() const override { return new WdfWeight; }
    double get_sumpart(Xapian::termcount wdf, Xapian::termcount, Xapian::termcount) const override { return wdf; }
    double get_maxpart() const override { return get_wdf_upper_bound(); }
    double get_sumextra(Xapian::termcount, Xapian::termcount) const override { return 0; }
    double get_maxextra() const override { return 0; }

private:
    void init(double) override {}
};

// Every matching page, in the order the matcher meets them.
class CollectSpy : public Xapian::MatchSpy {
public:
    explicit CollectSpy(Answer& answer, bool counts) : m_answer(answer), m_counts(counts) {}
    void operator()(const Xapian::Document& document, double weight) override
    {
        m_answer.pages.push_back(document.get_docid() - 1);
        if (m_counts)
            m_answer.counts.push_back(static_cast<uint32_t>(weight + 0.5));
    }

private:
    Answer& m_answer;
    bool m_counts;
};

std::string Term(char32_t c)
{
    std::string term;
    CCodeConverter::AppendUtf8(term, c);
    return term;
}

Xapian::Query Phrase(const std::u32string& characters, unsigned window)
{
    if (characters.size() == 1)
        return Xapian::Query(Term(characters[0]));
    std::vector<Xapian::Query> terms;
    for (char32_t c : characters)
        terms.emplace_back(Term(c));
    return Xapian::Query(Xapian::Query::OP_PHRASE, terms.begin(), terms.end(), window);
}

class XapianEngine : public PeerEngine {
public:
    explicit XapianEngine(const EngineFolders& folders) : m_folders(folders) {}

    std::string Build(const std::vector<std::string>& pages) override
    {
        const std::string building = (m_folders.index / "building").string();
        try {
            {
                Xapian::WritableDatabase db(building, Xapian::DB_CREATE_OR_OVERWRITE | Xapian::DB_BACKEND_GLASS |
                                                          Xapian::DB_NO_TERMLIST);
                for (size_t i = 0; i < pages.size(); ++i) {
                    Xapian::Document document;
                    const std::u32string text = DecodePageText(pages[i]);
                    for (size_t position = 0; position < text.size(); ++position)
                        if (CIndex::GetCharSlot(text[position]) >= 0)
                            document.add_posting(Term(text[position]), static_cast<Xapian::termpos>(position + 1));
                    db.replace_document(static_cast<Xapian::docid>(i + 1), document);
                    if (i % 20000 == 19999)
                        std::fprintf(stderr, "  indexed %zu of %zu pages\n", i + 1, pages.size());
                }
                db.commit();
            }
            // Compacted, the tables are smaller and faster to read.
            std::fprintf(stderr, "  compacting\n");
            Xapian::Database(building).compact(Path());
        } catch (const Xapian::Error& error) {
            return error.get_description();
        }
        std::filesystem::remove_all(building);
        return {};
    }

    std::string Open() override
    {
        try {
            m_db = Xapian::Database(Path());
        } catch (const Xapian::Error& error) {
            return error.get_description();
        }
        return {};
    }

    std::string Unsupported(const MixQuery& query, AnswerMode mode) const override
    {
        for (const MixTerm& term : query.terms) {
            if (term.HasSingleWildcard())
                return "no position wildcard; a phrase window lets the characters come closer too";
            const bool phraseGap = !term.IsPlain() && (term.segments[0].size() > 1 || term.segments[1].size() > 1);
            if (term.segments.size() > 2 || phraseGap)
                return "a phrase takes characters, not phrases, so a gap between phrases has no form";
            if (mode == AnswerMode::Counts && !term.HasOneCharacter())
                return "a phrase's weight sums its characters' frequencies; it does not count its hits";
        }
        return {};
    }

    bool Run(const MixQuery& query, AnswerMode mode, Answer& answer, std::string& error) override
    {
        answer.Clear();
        try {
            std::vector<Xapian::Query> terms;
            for (const MixTerm& term : query.terms)
                terms.push_back(term.IsPlain()
                                    ? Phrase(term.segments[0], static_cast<unsigned>(term.segments[0].size()))
                                    : Phrase(term.segments[0] + term.segments[1], kMaxGap + 2));
            const Xapian::Query combined(query.isAnd ? Xapian::Query::OP_AND : Xapian::Query::OP_OR, terms.begin(),
                                         terms.end());
            Xapian::Enquire enquire(m_db);
            enquire.set_query(combined);
            enquire.set_docid_order(Xapian::Enquire::ASCENDING);
            if (mode == AnswerMode::Counts)
                enquire.set_weighting_scheme(WdfWeight());
            else
                enquire.set_weighting_scheme(Xapian::BoolWeight());
            CollectSpy spy(answer, mode == AnswerMode::Counts);
            enquire.add_matchspy(&spy);
            enquire.get_mset(0, 0, m_db.get_doccount());
        } catch (const Xapian::Error& failure) {
            error = failure.get_description();
            return false;
        }
        return true;
    }

    uint64_t IndexBytes() const override { return FolderBytes(Path()); }

    std::string BuildNote() const override
    {
        return "characters with an index slot only; no document data, no term lists";
    }

private:
    std::string Path() const { return (m_folders.index / "db").string(); }

    EngineFolders m_folders;
    Xapian::Database m_db;
};

}  // namespace

std::unique_ptr<PeerEngine> MakeXapianEngine(const EngineFolders& folders)
{
    return std::make_unique<XapianEngine>(folders);
}

}  // namespace varo::peers
