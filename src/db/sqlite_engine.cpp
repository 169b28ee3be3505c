// Loading "sqlite3.dll" and finding its functions by name.
#include "db/sqlite_engine.h"

#include <windows.h>

#include <string>

#include "framework/runtime_error.h"

namespace {

SqliteEngineTable g_engineTable;

HMODULE EngineLibrary() noexcept
{
    static HMODULE library = LoadLibraryA("sqlite3.dll");
    return library;
}

} // namespace

void* LookupSqliteEngineFunction(const char* name) noexcept
{
    HMODULE library = EngineLibrary();
    if (!library)
        ReportRuntimeError(std::string("无法加载 sqlite3.dll"));
    FARPROC address = GetProcAddress(library, name);
    if (!address)
        ReportRuntimeError(std::string("sqlite3.dll 中找不到函数 ") + name);
    return reinterpret_cast<void*>(address);
}

SqliteEngineTable& SqliteEngine() noexcept { return g_engineTable; }

int InitializeDatabaseEngine() { return SqliteEngine().sqlite3_initialize(); }

int ShutdownDatabaseEngine() { return SqliteEngine().sqlite3_shutdown(); }
