#include "RawStore.h"

#include <sqlite3.h>

#include <stdexcept>
#include <vector>

namespace {

// Every column of `notes` but the id, in table order.
const char kNoteColumns[] =
    "name,style,color,colorbk,visible,textfont,colortext,password,creator,creationdate,lastupdatedate,"
    "wndplacement,locked,transparency,guid,`group`,colorgroup,rcMinimize,text,alarm_popup,alarm_alarm,"
    "alarm_soundfile,alarm_executecmd,alarm_alarmflags,alarm_frequency,alarm_snoozetime,alarm_period,"
    "alarm_periodcnt,alarm_calculated,displayname,displaytext,rcMinimizePos,autoresize";
constexpr int kNoteColumnCount = 33;

std::string Utf8(const std::wstring& text)
{
    std::string utf8;
    if (!WideToUtf8(text.c_str(), text.size(), utf8))
        throw std::runtime_error("text does not convert");
    return utf8;
}

// One note's values, converted before the clock starts.
struct SRawNote {
    NoteRow row;
    std::string name, textFont, password, creator, guid, soundFile, executeCmd, displayName, text, displayText;
};

SRawNote RawNote(int index, int variant)
{
    CNote note;
    FillBenchNote(note, index, variant);
    SRawNote raw{note.Row(), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}};
    const NoteRow& row = raw.row;
    raw.name = Utf8(row.name);
    raw.textFont = Utf8(row.textFont);
    raw.password = Utf8(row.password);
    raw.creator = Utf8(row.creator);
    raw.guid = Utf8(row.guid);
    raw.soundFile = Utf8(row.alarm.soundFile);
    raw.executeCmd = Utf8(row.alarm.executeCmd);
    raw.displayName = Utf8(CNote::MakeDisplayName(-1, row.name, row.text));
    raw.text = Utf8(row.text);
    raw.displayText = Utf8(row.displayText);
    return raw;
}

std::vector<SRawNote> RawNotes(int first, int notes, int variant)
{
    std::vector<SRawNote> rows;
    for (int i = 0; i < notes; ++i)
        rows.push_back(RawNote(first + i, variant));
    return rows;
}

class CRawDB {
public:
    CRawDB(const std::wstring& folder, const SPragmas& pragmas)
    {
        if (sqlite3_open_v2(Utf8(DataFile(folder)).c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error("raw open failed");
        Exec(pragmas.sql.c_str());
    }
    ~CRawDB() { sqlite3_close_v2(m_db); }
    CRawDB(const CRawDB&) = delete;
    CRawDB& operator=(const CRawDB&) = delete;

    void Exec(const char* sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
    }
    sqlite3* Get() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

class CRawStatement {
public:
    CRawStatement(const CRawDB& db, const std::string& sql) : m_db(db.Get())
    {
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &m_stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
    }
    ~CRawStatement() { sqlite3_finalize(m_stmt); }
    CRawStatement(const CRawStatement&) = delete;
    CRawStatement& operator=(const CRawStatement&) = delete;

    sqlite3_stmt* Get() const { return m_stmt; }
    // Steps once; true while rows come.
    bool Step()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        return rc == SQLITE_ROW;
    }
    void Done()
    {
        while (Step()) {
        }
        sqlite3_reset(m_stmt);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// Binds the 33 columns of kNoteColumns from parameter 1.
void BindNote(sqlite3_stmt* stmt, const SRawNote& note)
{
    int i = 1;
    const NoteRow& r = note.row;
    const auto text = [&](const std::string& s) { sqlite3_bind_text(stmt, i++, s.c_str(), -1, SQLITE_STATIC); };
    const auto blob = [&](const void* p, size_t n) { sqlite3_bind_blob(stmt, i++, p, static_cast<int>(n), SQLITE_STATIC); };
    const auto number = [&](sqlite3_int64 v) { sqlite3_bind_int64(stmt, i++, v); };
    const auto real = [&](const COleDateTime& d) { sqlite3_bind_double(stmt, i++, d.IsValid() ? d.m_dt : 0.0); };
    text(note.name); number(r.style); number(r.color); number(r.colorBk); number(r.visible);
    text(note.textFont); number(r.colorText); text(note.password); text(note.creator);
    real(r.creationDate); real(r.lastUpdateDate); blob(&r.placement, sizeof(r.placement));
    number(r.locked); number(r.transparency); text(note.guid); number(r.group); number(r.colorGroup);
    blob(&r.minimizeRect, sizeof(r.minimizeRect)); blob(note.text.data(), note.text.size());
    real(r.alarm.popupDate); real(r.alarm.alarmDate); text(note.soundFile); text(note.executeCmd);
    number(r.alarm.flags); number(r.alarm.frequency); number(r.alarm.snoozeTime); number(r.alarm.period);
    number(r.alarm.periodCount); real(r.alarm.calculatedDate); text(note.displayName);
    blob(note.displayText.data(), note.displayText.size()); blob(&r.minimizePos, sizeof(r.minimizePos));
    number(r.autoResize);
}

void BindSearch(sqlite3_stmt* stmt, sqlite3_int64 id, const SRawNote& note)
{
    sqlite3_bind_int64(stmt, 1, id);
    sqlite3_bind_text(stmt, 2, note.displayName.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 3, note.text.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int64(stmt, 4, id);
}

std::string Params(int count)
{
    std::string params = "?";
    for (int i = 1; i < count; ++i)
        params += ",?";
    return params;
}

std::string UpdateNoteSql()
{
    std::string sql = "update notes set ";
    std::string columns = kNoteColumns;
    for (size_t at = 0; at != std::string::npos;) {
        const size_t comma = columns.find(',', at);
        sql += columns.substr(at, comma == std::string::npos ? std::string::npos : comma - at) + "=?";
        sql += comma == std::string::npos ? "" : ",";
        at = comma == std::string::npos ? comma : comma + 1;
    }
    return sql + " where id=?;";
}

void ReadAllColumns(sqlite3_stmt* stmt)
{
    for (int c = 0, n = sqlite3_column_count(stmt); c < n; ++c) {
        switch (sqlite3_column_type(stmt, c)) {
        case SQLITE_INTEGER: sqlite3_column_int64(stmt, c); break;
        case SQLITE_FLOAT:   sqlite3_column_double(stmt, c); break;
        case SQLITE_NULL:    break;
        default:             sqlite3_column_blob(stmt, c); sqlite3_column_bytes(stmt, c); break;
        }
    }
}

} // namespace

double RawStoreNew(const std::wstring& folder, const SPragmas& pragmas, int first, int notes, int variant)
{
    const std::vector<SRawNote> rows = RawNotes(first, notes, variant);
    CRawDB db(folder, pragmas);
    const double start = NowMs();
    db.Exec("BEGIN;");
    CRawStatement insert(db, std::string("insert into notes (") + kNoteColumns + ") values (" +
                                 Params(kNoteColumnCount) + ");");
    CRawStatement search(db, "insert into search2 (id, name, text, docid) values (?,?,?,?);");
    for (const SRawNote& row : rows) {
        BindNote(insert.Get(), row);
        insert.Done();
        BindSearch(search.Get(), sqlite3_last_insert_rowid(db.Get()), row);
        search.Done();
    }
    db.Exec("COMMIT;");
    return NowMs() - start;
}

double RawSaveAll(const std::wstring& folder, const SPragmas& pragmas, int notes, int variant)
{
    const std::vector<SRawNote> rows = RawNotes(1, notes, variant);
    CRawDB db(folder, pragmas);
    const double start = NowMs();
    db.Exec("BEGIN;");
    CRawStatement update(db, UpdateNoteSql());
    CRawStatement search(db, "update search2 set id=?, name=?, text=? where docid=?;");
    sqlite3_int64 id = 1;
    for (const SRawNote& row : rows) {
        BindNote(update.Get(), row);
        sqlite3_bind_int64(update.Get(), kNoteColumnCount + 1, id);
        update.Done();
        BindSearch(search.Get(), id++, row);
        search.Done();
    }
    db.Exec("COMMIT;");
    return NowMs() - start;
}

double RawLoadAll(const std::wstring& folder, const SPragmas& pragmas)
{
    CRawDB db(folder, pragmas);
    std::vector<sqlite3_int64> ids;
    for (CRawStatement all(db, "select id from notes order by rowid;"); all.Step();)
        ids.push_back(sqlite3_column_int64(all.Get(), 0));
    const double start = NowMs();
    db.Exec("BEGIN;");
    CRawStatement note(db, "select * from notes where id=?;");
    CRawStatement attachment(db, "select id from attachnotes where noteid=? order by id limit 1;");
    for (const sqlite3_int64 id : ids) {
        sqlite3_bind_int64(note.Get(), 1, id);
        if (!note.Step())
            throw std::runtime_error("a note is missing");
        ReadAllColumns(note.Get());
        note.Done();
        sqlite3_bind_int64(attachment.Get(), 1, id);
        attachment.Done();
    }
    db.Exec("COMMIT;");
    return NowMs() - start;
}

double RawFirstOpen(const std::wstring& folder, const SPragmas& pragmas)
{
    const double start = NowMs();
    CRawDB db(folder, pragmas);
    CRawStatement count(db, "select count(*) from notes;");
    if (!count.Step() || sqlite3_column_int64(count.Get(), 0) != kBaseNotes)
        throw std::runtime_error("the raw file lacks notes");
    return NowMs() - start;
}

double RawQuery(const std::wstring& folder, const SPragmas& pragmas, int& hits)
{
    CRawDB db(folder, pragmas);
    hits = 0;
    const double start = NowMs();
    CRawStatement query(db, "select docid, snippet(search2) from search2 where search2 match ?;");
    for (const std::string& term : QueryTerms()) {
        sqlite3_bind_text(query.Get(), 1, term.c_str(), -1, SQLITE_STATIC);
        while (query.Step()) {
            if (sqlite3_column_int64(query.Get(), 0) <= 0 || !sqlite3_column_text(query.Get(), 1))
                throw std::runtime_error("an empty hit");
            ++hits;
        }
        sqlite3_reset(query.Get());
    }
    return NowMs() - start;
}

long long SegmentCount(const std::wstring& folder)
{
    CRawDB db(folder, SPragmas{});
    CRawStatement count(db, "select count(*) from search2_segdir;");
    count.Step();
    return sqlite3_column_int64(count.Get(), 0);
}
