#include "link/port_resolver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using stazione::link::PortResolver;

TEST(PortResolverTest, LinksInTheFolderNameThePorts)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("COM3")));
    // A link whose device has gone still names the port; opening it will say the device is missing.
    ASSERT_TRUE(QFile::link(dir.filePath("no-such-device"), dir.filePath("COM7")));

    const PortResolver resolver(dir.path(), false);
    const auto three = resolver.resolve(3);
    ASSERT_TRUE(three.has_value());
    EXPECT_EQ(three->path, dir.filePath("COM3"));
    EXPECT_TRUE(three->fromLinksFolder);
    ASSERT_TRUE(resolver.resolve(7).has_value());
    EXPECT_FALSE(resolver.resolve(4).has_value());
    EXPECT_FALSE(resolver.resolve(0).has_value());
    EXPECT_FALSE(resolver.resolve(31).has_value());

    const auto all = resolver.mapping();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].number, 3);
    EXPECT_EQ(all[1].number, 7);
}

TEST(PortResolverTest, TheFolderComesFromTheEnvironmentOrTheSettingsFolder)
{
    qputenv("STAZIONE_PORTS", "/tmp/somewhere/ports");
    EXPECT_EQ(PortResolver::defaultLinksFolder(), "/tmp/somewhere/ports");
    qunsetenv("STAZIONE_PORTS");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    EXPECT_EQ(PortResolver::defaultLinksFolder(), config.path() + "/stazione/ports");
    EXPECT_EQ(stazione::link::settingsFolder(), config.path() + "/stazione");
}
