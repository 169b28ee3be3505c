#include "db/callback_thunks.h"

void* g_execRowThunk = nullptr;

int BuildSqliteCallbackThunks()
{
    return 0;
}
