// The SQLite engine as the database layer reaches it: the library "sqlite3.dll", loaded by name,
// each function looked up by name at its first call. One engine instance serves the whole process.
//
// Every entry of the table can be replaced by a test (assign the member's `function`) to make an
// engine call fail on purpose; a copy of the table made before puts the entries back.
#pragma once

#include <sqlite3.h>

void* LookupSqliteEngineFunction(const char* name) noexcept;

template <typename Function>
struct LazyEngineFunction;

template <typename Result, typename... Args>
struct LazyEngineFunction<Result (*)(Args...)> {
    using Pointer = Result (*)(Args...);
    const char* name;
    Pointer function = nullptr;

    Result operator()(Args... args)
    {
        if (!function)
            function = reinterpret_cast<Pointer>(LookupSqliteEngineFunction(name));
        return function(args...);
    }
};

#define SQLITE_ENGINE_ENTRY(fn) LazyEngineFunction<decltype(&::fn)> fn{#fn}

struct SqliteEngineTable {
    SQLITE_ENGINE_ENTRY(sqlite3_initialize);
    SQLITE_ENGINE_ENTRY(sqlite3_shutdown);
    SQLITE_ENGINE_ENTRY(sqlite3_open_v2);
    SQLITE_ENGINE_ENTRY(sqlite3_close);
    SQLITE_ENGINE_ENTRY(sqlite3_close_v2);
    SQLITE_ENGINE_ENTRY(sqlite3_key);
    SQLITE_ENGINE_ENTRY(sqlite3_key_v2);
    SQLITE_ENGINE_ENTRY(sqlite3_rekey);
    SQLITE_ENGINE_ENTRY(sqlite3_rekey_v2);
    SQLITE_ENGINE_ENTRY(sqlite3_exec);
    SQLITE_ENGINE_ENTRY(sqlite3_free);
    SQLITE_ENGINE_ENTRY(sqlite3_errcode);
    SQLITE_ENGINE_ENTRY(sqlite3_errmsg);
    SQLITE_ENGINE_ENTRY(sqlite3_prepare_v2);
    SQLITE_ENGINE_ENTRY(sqlite3_get_table);
    SQLITE_ENGINE_ENTRY(sqlite3_free_table);

    SQLITE_ENGINE_ENTRY(sqlite3_finalize);
    SQLITE_ENGINE_ENTRY(sqlite3_sql);
    SQLITE_ENGINE_ENTRY(sqlite3_expanded_sql);
    SQLITE_ENGINE_ENTRY(sqlite3_bind_parameter_index);
    SQLITE_ENGINE_ENTRY(sqlite3_bind_parameter_count);
    SQLITE_ENGINE_ENTRY(sqlite3_bind_parameter_name);
    SQLITE_ENGINE_ENTRY(sqlite3_bind_blob);
    SQLITE_ENGINE_ENTRY(sqlite3_bind_text);
    SQLITE_ENGINE_ENTRY(sqlite3_bind_int);
    SQLITE_ENGINE_ENTRY(sqlite3_bind_int64);
    SQLITE_ENGINE_ENTRY(sqlite3_bind_double);
    SQLITE_ENGINE_ENTRY(sqlite3_bind_null);
    SQLITE_ENGINE_ENTRY(sqlite3_clear_bindings);
    SQLITE_ENGINE_ENTRY(sqlite3_step);
    SQLITE_ENGINE_ENTRY(sqlite3_reset);
    SQLITE_ENGINE_ENTRY(sqlite3_data_count);
    SQLITE_ENGINE_ENTRY(sqlite3_column_count);
    SQLITE_ENGINE_ENTRY(sqlite3_column_bytes);
    SQLITE_ENGINE_ENTRY(sqlite3_column_name);
    SQLITE_ENGINE_ENTRY(sqlite3_column_table_name);
    SQLITE_ENGINE_ENTRY(sqlite3_column_database_name);
    SQLITE_ENGINE_ENTRY(sqlite3_column_decltype);
    SQLITE_ENGINE_ENTRY(sqlite3_column_origin_name);
    SQLITE_ENGINE_ENTRY(sqlite3_column_type);
    SQLITE_ENGINE_ENTRY(sqlite3_column_text);
    SQLITE_ENGINE_ENTRY(sqlite3_column_int);
    SQLITE_ENGINE_ENTRY(sqlite3_column_int64);
    SQLITE_ENGINE_ENTRY(sqlite3_column_double);
    SQLITE_ENGINE_ENTRY(sqlite3_column_blob);
    SQLITE_ENGINE_ENTRY(sqlite3_stmt_busy);
    SQLITE_ENGINE_ENTRY(sqlite3_stmt_readonly);
    SQLITE_ENGINE_ENTRY(sqlite3_db_handle);

    SQLITE_ENGINE_ENTRY(sqlite3_user_data);
    SQLITE_ENGINE_ENTRY(sqlite3_aggregate_context);
    SQLITE_ENGINE_ENTRY(sqlite3_value_int);
    SQLITE_ENGINE_ENTRY(sqlite3_result_int);
    SQLITE_ENGINE_ENTRY(sqlite3_create_function_v2);
    SQLITE_ENGINE_ENTRY(sqlite3_create_collation_v2);
    SQLITE_ENGINE_ENTRY(sqlite3_progress_handler);
    SQLITE_ENGINE_ENTRY(sqlite3_busy_timeout);
    SQLITE_ENGINE_ENTRY(sqlite3_busy_handler);

    SQLITE_ENGINE_ENTRY(sqlite3_interrupt);
    SQLITE_ENGINE_ENTRY(sqlite3_changes);
    SQLITE_ENGINE_ENTRY(sqlite3_total_changes);
    SQLITE_ENGINE_ENTRY(sqlite3_last_insert_rowid);
    SQLITE_ENGINE_ENTRY(sqlite3_backup_init);
    SQLITE_ENGINE_ENTRY(sqlite3_backup_step);
    SQLITE_ENGINE_ENTRY(sqlite3_backup_remaining);
    SQLITE_ENGINE_ENTRY(sqlite3_backup_pagecount);
    SQLITE_ENGINE_ENTRY(sqlite3_backup_finish);
    SQLITE_ENGINE_ENTRY(sqlite3_sleep);
    SQLITE_ENGINE_ENTRY(wxsqlite3_config);
    SQLITE_ENGINE_ENTRY(wxsqlite3_config_cipher);
    SQLITE_ENGINE_ENTRY(sqlite3_db_filename);
    SQLITE_ENGINE_ENTRY(sqlite3_db_readonly);
    SQLITE_ENGINE_ENTRY(sqlite3_db_mutex);
    SQLITE_ENGINE_ENTRY(sqlite3_mutex_enter);
    SQLITE_ENGINE_ENTRY(sqlite3_mutex_leave);
    SQLITE_ENGINE_ENTRY(sqlite3_get_autocommit);
    SQLITE_ENGINE_ENTRY(sqlite3_next_stmt);
};

#undef SQLITE_ENGINE_ENTRY

// The process's one engine table.
SqliteEngineTable& SqliteEngine() noexcept;

// Runs sqlite3_initialize / sqlite3_shutdown of the engine and returns their result codes.
int InitializeDatabaseEngine();
int ShutdownDatabaseEngine();
