// Groonga in process. The lexicon uses TokenUnigram without a normaliser, so every character is
// a token at its own position (a normaliser would fold compatibility ideographs and blanks and
// so shift positions), and the index keeps positions for phrase and near searches. A term is
// `text @ "phrase"`; a term with '*' is an ordered near-phrase search `*ONP301 "A B"`; the
// score of a page is its number of hits.

#include "bench/peers/engines.h"

#include <groonga.h>

#include <cstdio>
#include <cstring>

namespace varo::peers {

namespace {

constexpr int kMaxGap = 300;

class GroongaEngine : public PeerEngine {
public:
    explicit GroongaEngine(const EngineFolders& folders) : m_folders(folders)
    {
        grn_init();
        grn_ctx_init(&m_ctx, 0);
    }

    ~GroongaEngine() override
    {
        if (m_db != nullptr)
            grn_obj_close(&m_ctx, m_db);
        grn_ctx_fin(&m_ctx);
        grn_fin();
    }

    std::string Build(const std::vector<std::string>& pages) override
    {
        m_db = grn_db_create(&m_ctx, DatabasePath().c_str(), nullptr);
        if (m_db == nullptr)
            return Error("cannot create the database");
        grn_obj* table =
            grn_table_create(&m_ctx, "Pages", 5, nullptr, GRN_OBJ_TABLE_NO_KEY | GRN_OBJ_PERSISTENT, nullptr, nullptr);
        grn_obj* text = table == nullptr ? nullptr
                                         : grn_column_create(&m_ctx, table, "text", 4, nullptr,
                                                             GRN_OBJ_COLUMN_SCALAR | GRN_OBJ_PERSISTENT,
                                                             grn_ctx_at(&m_ctx, GRN_DB_LONG_TEXT));
        if (text == nullptr)
            return Error("cannot create the table");
        grn_obj value;
        GRN_TEXT_INIT(&value, 0);
        for (size_t i = 0; i < pages.size(); ++i) {
            const grn_id id = grn_table_add(&m_ctx, table, nullptr, 0, nullptr);
            GRN_TEXT_SET(&m_ctx, &value, pages[i].data(), pages[i].size());
            if (id == GRN_ID_NIL || grn_obj_set_value(&m_ctx, text, id, &value, GRN_OBJ_SET) != GRN_SUCCESS) {
                GRN_OBJ_FIN(&m_ctx, &value);
                return Error("cannot load page " + std::to_string(i));
            }
            if (i % 20000 == 19999)
                std::fprintf(stderr, "  loaded %zu of %zu pages\n", i + 1, pages.size());
        }
        GRN_OBJ_FIN(&m_ctx, &value);
        // The index is made after the load, which lets Groonga build it in one pass.
        std::fprintf(stderr, "  building the index\n");
        grn_obj* lexicon = grn_table_create(&m_ctx, "Terms", 5, nullptr, GRN_OBJ_TABLE_PAT_KEY | GRN_OBJ_PERSISTENT,
                                            grn_ctx_at(&m_ctx, GRN_DB_SHORT_TEXT), nullptr);
        if (lexicon == nullptr)
            return Error("cannot create the lexicon");
        grn_obj_set_info(&m_ctx, lexicon, GRN_INFO_DEFAULT_TOKENIZER, grn_ctx_get(&m_ctx, "TokenUnigram", -1));
        grn_obj* index = grn_column_create(&m_ctx, lexicon, "index", 5, nullptr,
                                           GRN_OBJ_COLUMN_INDEX | GRN_OBJ_WITH_POSITION | GRN_OBJ_PERSISTENT, table);
        if (index == nullptr)
            return Error("cannot create the index column");
        grn_obj source;
        GRN_UINT32_INIT(&source, 0);
        GRN_UINT32_SET(&m_ctx, &source, grn_obj_id(&m_ctx, text));
        const grn_rc rc = grn_obj_set_info(&m_ctx, index, GRN_INFO_SOURCE, &source);
        GRN_OBJ_FIN(&m_ctx, &source);
        if (rc != GRN_SUCCESS)
            return Error("cannot build the index");
        return {};
    }

    std::string Open() override
    {
        m_db = grn_db_open(&m_ctx, DatabasePath().c_str());
        if (m_db == nullptr)
            return Error("cannot open the database");
        m_table = grn_ctx_get(&m_ctx, "Pages", -1);
        if (m_table == nullptr)
            return Error("the database has no table Pages");
        return {};
    }

    std::string Unsupported(const MixQuery& query, AnswerMode mode) const override
    {
        for (const MixTerm& term : query.terms) {
            if (term.HasSingleWildcard())
                return "no query form for exactly one character (near searches take no minimum interval "
                       "before Groonga 13.0.1)";
            if (term.segments.size() > 2)
                return "one ordered near-phrase search bounds the whole span, not each gap";
            if (!term.IsPlain() && mode == AnswerMode::Counts)
                return "a near search scores a page once, not per hit";
        }
        return {};
    }

    bool Run(const MixQuery& query, AnswerMode mode, Answer& answer, std::string& error) override
    {
        const std::string script = Script(query);
        grn_obj* expression = nullptr;
        grn_obj* record = nullptr;
        GRN_EXPR_CREATE_FOR_QUERY(&m_ctx, m_table, expression, record);
        if (expression == nullptr) {
            error = Error("cannot create an expression");
            return false;
        }
        answer.Clear();
        grn_obj* result = nullptr;
        if (grn_expr_parse(&m_ctx, expression, script.data(), static_cast<unsigned int>(script.size()), nullptr,
                           GRN_OP_MATCH, GRN_OP_AND, GRN_EXPR_SYNTAX_SCRIPT) == GRN_SUCCESS)
            result = grn_table_select(&m_ctx, m_table, expression, nullptr, GRN_OP_OR);
        if (result == nullptr) {
            error = Error("cannot run " + script);
            grn_obj_unlink(&m_ctx, expression);
            return false;
        }
        Collect(result, mode, answer);
        grn_obj_unlink(&m_ctx, result);
        grn_obj_unlink(&m_ctx, expression);
        return true;
    }

    uint64_t IndexBytes() const override { return FolderBytes(m_folders.index); }

    std::string BuildNote() const override { return "the database holds the page texts beside the index"; }

private:
    std::string DatabasePath() const { return (m_folders.index / "pages.db").string(); }

    std::string Error(const std::string& what) const
    {
        return what + (m_ctx.rc != GRN_SUCCESS ? std::string(": ") + m_ctx.errbuf : std::string());
    }

    // 明月 清風 (and) => text @ "明月" && text @ "清風";  春*秋 => text *ONP301 "春 秋"
    static std::string Script(const MixQuery& query)
    {
        std::string script;
        for (const MixTerm& term : query.terms) {
            if (!script.empty())
                script += query.isAnd ? " && " : " || ";
            if (term.IsPlain()) {
                script += "text @ \"" + Utf8(term.segments[0]) + '"';
            } else {
                // The interval of an ordered near phrase runs from the last character of one phrase
                // to the first of the next; varo's '*' allows 0 to 300 characters between them.
                script += "text *ONP" + std::to_string(kMaxGap + 1) + " \"" + Utf8(term.segments[0]) + ' ' +
                          Utf8(term.segments[1]) + '"';
            }
        }
        return script;
    }

    void Collect(grn_obj* result, AnswerMode mode, Answer& answer)
    {
        grn_obj* scores = mode == AnswerMode::Counts ? grn_obj_column(&m_ctx, result, "_score", 6) : nullptr;
        grn_obj score;
        GRN_VOID_INIT(&score);
        grn_table_cursor* cursor = grn_table_cursor_open(&m_ctx, result, nullptr, 0, nullptr, 0, 0, -1, 0);
        for (grn_id id; (id = grn_table_cursor_next(&m_ctx, cursor)) != GRN_ID_NIL;) {
            void* key = nullptr;
            grn_table_cursor_get_key(&m_ctx, cursor, &key);
            answer.pages.push_back(*static_cast<grn_id*>(key) - 1);
            if (scores != nullptr) {
                GRN_BULK_REWIND(&score);
                grn_obj_get_value(&m_ctx, scores, id, &score);
                answer.counts.push_back(score.header.domain == GRN_DB_FLOAT
                                            ? static_cast<uint32_t>(GRN_FLOAT_VALUE(&score))
                                            : static_cast<uint32_t>(GRN_INT32_VALUE(&score)));
            }
        }
        grn_table_cursor_close(&m_ctx, cursor);
        GRN_OBJ_FIN(&m_ctx, &score);
        if (scores != nullptr)
            grn_obj_unlink(&m_ctx, scores);
    }

    EngineFolders m_folders;
    grn_ctx m_ctx{};
    grn_obj* m_db = nullptr;
    grn_obj* m_table = nullptr;
};

}  // namespace

std::unique_ptr<PeerEngine> MakeGroongaEngine(const EngineFolders& folders)
{
    return std::make_unique<GroongaEngine>(folders);
}

}  // namespace varo::peers
