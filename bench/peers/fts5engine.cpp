// SQLite FTS5. The "varochar" tokenizer makes every character a token, so a token's position is
// the character's position and a quoted term is a phrase of adjacent characters; the trigram
// tokenizer answers phrases of three or more characters as substrings. Hits per page come from
// the instances of the query's phrases (an auxiliary function around xInstCount).

#include "bench/peers/engines.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

namespace varo::peers {

namespace {

constexpr char kTable[] = "pages";

size_t Utf8SequenceLength(unsigned char lead)
{
    if (lead < 0xC0)
        return 1;
    return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// Every character one token, blanks and punctuation included: FTS5 numbers tokens, and the
// phrase and position rules must count characters exactly as varo does.
int CreateCharTokenizer(void*, const char**, int, Fts5Tokenizer** tokenizer)
{
    static int stateless = 0;
    *tokenizer = reinterpret_cast<Fts5Tokenizer*>(&stateless);
    return SQLITE_OK;
}

void DeleteCharTokenizer(Fts5Tokenizer*) {}

int TokenizeChars(Fts5Tokenizer*, void* context, int, const char* text, int length,
                  int (*token)(void*, int, const char*, int, int, int))
{
    for (int start = 0; start < length;) {
        const size_t sequence = Utf8SequenceLength(static_cast<unsigned char>(text[start]));
        const int end = std::min(length, start + static_cast<int>(sequence));
        if (const int rc = token(context, 0, text + start, end - start, start, end); rc != SQLITE_OK)
            return rc;
        start = end;
    }
    return SQLITE_OK;
}

void InstanceCount(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* result, int, sqlite3_value**)
{
    int count = 0;
    if (const int rc = api->xInstCount(fts, &count); rc != SQLITE_OK) {
        sqlite3_result_error_code(result, rc);
        return;
    }
    sqlite3_result_int(result, count);
}

fts5_api* Fts5Api(sqlite3* db)
{
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

// "明月" => "\"明月\""; the mix holds no quote character.
std::string Phrase(const MixTerm& term)
{
    return '"' + Utf8(term.segments[0]) + '"';
}

class Fts5Engine : public PeerEngine {
public:
    Fts5Engine(const EngineFolders& folders, bool trigram) : m_folders(folders), m_trigram(trigram) {}

    ~Fts5Engine() override
    {
        sqlite3_finalize(m_pages);
        sqlite3_finalize(m_counts);
        sqlite3_close(m_db);
    }

    std::string Build(const std::vector<std::string>& pages) override
    {
        if (std::string error = Connect(); !error.empty())
            return error;
        // Contentless: the index alone, as varo's index file holds no text either.
        const std::string tokenizer = m_trigram ? "trigram" : "varochar";
        if (std::string error = Execute("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                                        "CREATE VIRTUAL TABLE " +
                                        std::string(kTable) + " USING fts5(body, tokenize='" + tokenizer +
                                        "', content='', columnsize=0);"
                                        "BEGIN;");
            !error.empty())
            return error;
        sqlite3_stmt* insert = nullptr;
        const char* sql = "INSERT INTO pages(rowid, body) VALUES (?1, ?2)";
        if (sqlite3_prepare_v2(m_db, sql, -1, &insert, nullptr) != SQLITE_OK)
            return sqlite3_errmsg(m_db);
        for (size_t i = 0; i < pages.size(); ++i) {
            sqlite3_bind_int64(insert, 1, static_cast<sqlite3_int64>(i + 1));
            sqlite3_bind_text(insert, 2, pages[i].data(), static_cast<int>(pages[i].size()), SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE) {
                sqlite3_finalize(insert);
                return sqlite3_errmsg(m_db);
            }
            sqlite3_reset(insert);
            if (i % 20000 == 19999)
                std::fprintf(stderr, "  inserted %zu of %zu pages\n", i + 1, pages.size());
        }
        sqlite3_finalize(insert);
        // One merged segment answers queries fastest.
        return Execute("COMMIT; INSERT INTO pages(pages) VALUES('optimize');");
    }

    std::string Open() override
    {
        if (std::string error = Connect(); !error.empty())
            return error;
        // Mapped like varo's posting file, so that warm queries read from memory.
        if (std::string error = Execute("PRAGMA mmap_size=4000000000; PRAGMA cache_size=-200000;"); !error.empty())
            return error;
        if (sqlite3_prepare_v3(m_db, "SELECT rowid FROM pages WHERE pages MATCH ?1", -1, SQLITE_PREPARE_PERSISTENT,
                               &m_pages, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v3(m_db, "SELECT rowid, hits(pages) FROM pages WHERE pages MATCH ?1", -1,
                               SQLITE_PREPARE_PERSISTENT, &m_counts, nullptr) != SQLITE_OK)
            return sqlite3_errmsg(m_db);
        return {};
    }

    std::string Unsupported(const MixQuery& query, AnswerMode) const override
    {
        for (const MixTerm& term : query.terms) {
            if (term.HasSingleWildcard())
                return "no query form for exactly one character of any kind";
            if (!term.IsPlain())
                return "NEAR does not keep the order of its phrases";
            if (m_trigram && term.segments[0].size() < 3)
                return "its index answers terms of three or more characters; shorter ones fall back to a "
                       "full scan (LIKE)";
        }
        return {};
    }

    bool Run(const MixQuery& query, AnswerMode mode, Answer& answer, std::string& error) override
    {
        std::string match;
        for (const MixTerm& term : query.terms) {
            if (!match.empty())
                match += query.isAnd ? " AND " : " OR ";
            match += Phrase(term);
        }
        sqlite3_stmt* statement = mode == AnswerMode::Counts ? m_counts : m_pages;
        sqlite3_bind_text(statement, 1, match.data(), static_cast<int>(match.size()), SQLITE_TRANSIENT);
        answer.Clear();
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            answer.pages.push_back(static_cast<uint32_t>(sqlite3_column_int64(statement, 0) - 1));
            if (mode == AnswerMode::Counts)
                answer.counts.push_back(static_cast<uint32_t>(sqlite3_column_int(statement, 1)));
        }
        sqlite3_reset(statement);
        if (rc != SQLITE_DONE) {
            error = sqlite3_errmsg(m_db);
            return false;
        }
        return true;
    }

    uint64_t IndexBytes() const override { return FolderBytes(m_folders.index); }

private:
    std::string Connect()
    {
        const std::string file = (m_folders.index / "pages.db").string();
        if (sqlite3_open(file.c_str(), &m_db) != SQLITE_OK)
            return "cannot open " + file + ": " + sqlite3_errmsg(m_db);
        fts5_api* api = Fts5Api(m_db);
        if (api == nullptr)
            return "this SQLite has no FTS5";
        fts5_tokenizer tokenizer{CreateCharTokenizer, DeleteCharTokenizer, TokenizeChars};
        if (api->xCreateTokenizer(api, "varochar", nullptr, &tokenizer, nullptr) != SQLITE_OK ||
            api->xCreateFunction(api, "hits", nullptr, InstanceCount, nullptr) != SQLITE_OK)
            return "cannot register the tokenizer and the hits function";
        return {};
    }

    std::string Execute(const std::string& sql)
    {
        char* message = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
            return {};
        std::string error = message != nullptr ? message : "SQLite error";
        sqlite3_free(message);
        return error;
    }

    EngineFolders m_folders;
    bool m_trigram;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_pages = nullptr;
    sqlite3_stmt* m_counts = nullptr;
};

}  // namespace

std::unique_ptr<PeerEngine> MakeFts5Engine(const EngineFolders& folders, bool trigram)
{
    return std::make_unique<Fts5Engine>(folders, trigram);
}

}  // namespace varo::peers
