// The remote server's logging category, quenda.remote: listening, pairing,
// devices forgotten, event streams opened and closed, requests refused.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcRemote)
