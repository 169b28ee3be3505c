#include "core/history_database.h"

#include "core/globals.h"
#include "db/sqlite_engine.h"
#include "framework/file_io.h"
#include "framework/message_box.h"

extern const unsigned char kDataTemplate[];
extern const unsigned kDataTemplate_size;

ByteSet DatabaseTemplate() { return ByteSet(kDataTemplate, kDataTemplate_size); }

bool OpenHistoryDatabase(const std::string& path)
{
    // A failed write is not reported here: it shows up as a failed open below. It leaves no file,
    // so that a later start writes the template again instead of opening a torn one.
    if (!PathExists(path))
        WriteNewFileBytes(path, DatabaseTemplate());
    InitializeDatabaseEngine();
    if (!g_database->Open(path, SQLITE_OPEN_READWRITE))
        return false;
    // Another reader or writer of data.db (a backup tool, a database browser) is waited for a
    // little instead of failing the capture at once.
    g_database->BusyTimeout(kHistoryBusyTimeoutMs);
    return true;
}

int ReadStoredWindowHandle()
{
    SqlStatement statement = g_database->Prepare("select hwnd from system ");
    if (!statement.GetHandle()) {
        ShowMessageBox(g_database->ErrMsg(), 0);
        return -1;
    }
    statement.Step();
    int handle = statement.ColumnInt(0);
    statement.Finalize();
    return handle;
}

HistoryReader::HistoryReader()
{
    if (!g_database->GetHandle())
        return;
    // The engine's own name of the file, so that no conversion can miss it.
    if (database_.Open(g_database->GetFilename(nullptr, true), SQLITE_OPEN_READONLY, true))
        database_.BusyTimeout(kHistoryLookUpBusyTimeoutMs);
}

HistoryReader::~HistoryReader() { database_.Close(); }
