#pragma once
// The words a MariaDB server reserves: a name among them needs quotes.
#include <QStringList>

namespace mv::mariadb {

const QStringList& reservedWords();

} // namespace mv::mariadb
