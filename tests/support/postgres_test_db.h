#pragma once

// A fresh database for each test on the test run's private PostgreSQL server, which the test
// db_postgres_start runs on a Unix socket in STAZIONE_TEST_PG_DIR.

#include "db/database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QUuid>

#include <gtest/gtest.h>

namespace stazione::testing {

#ifdef STAZIONE_TEST_PG_DIR
inline QString freshPostgresUrl()
{
    const QString socket = QStringLiteral(STAZIONE_TEST_PG_DIR);
    const QString name = QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
    {
        auto admin = db::Database::open(QStringLiteral("postgresql://stazione@/postgres?host=") + socket);
        EXPECT_TRUE(admin.ok()) << qPrintable(admin ? QString() : admin.error().message);
        if (admin) {
            QSqlQuery q((*admin)->sql());
            EXPECT_TRUE(q.exec(QStringLiteral("CREATE DATABASE ") + name))
                << qPrintable(q.lastError().text());
        }
    }
    return QStringLiteral("postgresql://stazione@/%1?host=%2").arg(name, socket);
}

// The tests of a fixture again on PostgreSQL: `Fixture` takes its database from url().
template<class Fixture> class OnPostgres : public Fixture {
protected:
    QString url() override
    {
        if (m_url.isEmpty())
            m_url = freshPostgresUrl();
        return m_url;
    }
    QString m_url;
};
#endif

} // namespace stazione::testing
