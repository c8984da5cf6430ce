// Where the lookup settings ("Search.ini") are read and written: the shared copy beside
// the executable, or the user's own copy in the XDG configuration folder when the
// executable's folder cannot be written. The user's copy wins where both exist.

#include "LookupSettings.h"

#include "ConnectionParams.h"
#include "IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include <memory>

namespace {

const QString product = QStringLiteral("PRODUCT");
constexpr uid_t nobodyId = 65534;

struct Values
{
    int combo;
    int radio;
    QString edit;
};

void writeIni(const QString &path, const Values &v, bool otherSection = false)
{
    IniFile ini(path);
    if (otherSection)
        ini.writeString(QStringLiteral("OTHER"), QStringLiteral("Keep"), QStringLiteral("1"));
    ini.writeInteger(product, QStringLiteral("Combo"), v.combo);
    ini.writeInteger(product, QStringLiteral("Radio"), v.radio);
    ini.writeString(product, QStringLiteral("Edit"), v.edit);
    QVERIFY2(ini.save(), qPrintable(path));
}

IniFile readIni(const QString &path)
{
    IniFile ini(path);
    ini.load();
    return ini;
}

bool setWritable(const QString &path, bool writable)
{
    const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadOther | QFileDevice::ExeOther;
    return QFile::setPermissions(path, writable ? readable | QFileDevice::WriteOwner : readable);
}

} // namespace

class TestLookupSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void copyThatIsRead_data();
    void copyThatIsRead();
    void writableFolderWritesSharedCopy();
    void userCopyWinsOnWriteToo();
    void readOnlyFolder();
    void nothingWritableIsReported();

private:
    QString sharedPath() const { return m_exeDir->filePath(QStringLiteral("Search.ini")); }
    QString userPath() const
    {
        return m_configDir->filePath(QStringLiteral("tarnpromotion/Search.ini"));
    }

    std::unique_ptr<QTemporaryDir> m_exeDir;
    std::unique_ptr<QTemporaryDir> m_configDir;
};

void TestLookupSettings::init()
{
    m_exeDir = std::make_unique<QTemporaryDir>();
    m_configDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_exeDir->isValid() && m_configDir->isValid());
    overrideExecutableFolder(m_exeDir->path() + QLatin1Char('/'));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configDir->path()));
    QCOMPARE(LookupSettings::sharedPath(), sharedPath());
    QCOMPARE(LookupSettings::userPath(), userPath());
}

void TestLookupSettings::cleanup()
{
    setWritable(m_exeDir->path(), true);
    overrideExecutableFolder(QString());
    qunsetenv("XDG_CONFIG_HOME");
    m_exeDir.reset();
    m_configDir.reset();
}

void TestLookupSettings::copyThatIsRead_data()
{
    QTest::addColumn<bool>("shared");
    QTest::addColumn<QString>("user"); // "" none, "file", "folder" (cannot be read)
    QTest::addColumn<QString>("expectedEdit");

    QTest::newRow("neither: defaults") << false << QString() << QString();
    QTest::newRow("shared only") << true << QString() << QStringLiteral("shared");
    QTest::newRow("user only") << false << QStringLiteral("file") << QStringLiteral("user");
    QTest::newRow("both: the user's wins")
        << true << QStringLiteral("file") << QStringLiteral("user");
    QTest::newRow("user's unreadable: shared")
        << true << QStringLiteral("folder") << QStringLiteral("shared");
}

void TestLookupSettings::copyThatIsRead()
{
    QFETCH(bool, shared);
    QFETCH(QString, user);
    QFETCH(QString, expectedEdit);
    const Values sharedValues{4, 1, QStringLiteral("shared")};
    const Values userValues{7, 2, QStringLiteral("user")};
    if (shared)
        writeIni(sharedPath(), sharedValues);
    if (user == QLatin1String("file")) {
        QVERIFY(QDir().mkpath(QFileInfo(userPath()).path()));
        writeIni(userPath(), userValues);
    } else if (user == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(userPath()));
    }
    const Values expected = expectedEdit == sharedValues.edit ? sharedValues
                            : expectedEdit == userValues.edit ? userValues
                                                              : Values{0, 0, QString()};
    const LookupSettings s = LookupSettings::read();
    QCOMPARE(s.combo, expected.combo);
    QCOMPARE(s.radio, expected.radio);
    QCOMPARE(s.edit, expected.edit);
}

void TestLookupSettings::writableFolderWritesSharedCopy()
{
    writeIni(sharedPath(), {4, 1, QStringLiteral("shared")}, true);
    LookupSettings s{2, 2, QStringLiteral("茶")};
    QString error, written;
    QVERIFY2(s.write(&error, &written), qPrintable(error));
    QCOMPARE(written, sharedPath());
    QVERIFY(!QFileInfo::exists(userPath()));
    QVERIFY(!QFileInfo::exists(QFileInfo(userPath()).path()));
    const IniFile ini = readIni(sharedPath());
    QCOMPARE(ini.readString(product, QStringLiteral("Edit")), QStringLiteral("茶"));
    QCOMPARE(ini.readString(QStringLiteral("OTHER"), QStringLiteral("Keep")), QStringLiteral("1"));
}

void TestLookupSettings::userCopyWinsOnWriteToo()
{
    // Were it written beside the executable, the user's copy would hide it on the next read.
    writeIni(sharedPath(), {4, 1, QStringLiteral("shared")});
    QVERIFY(QDir().mkpath(QFileInfo(userPath()).path()));
    writeIni(userPath(), {7, 2, QStringLiteral("user")}, true);
    QString written;
    const LookupSettings changed{3, 0, QStringLiteral("new")};
    QVERIFY(changed.write(nullptr, &written));
    QCOMPARE(written, userPath());
    QCOMPARE(readIni(sharedPath()).readString(product, QStringLiteral("Edit")),
             QStringLiteral("shared"));
    QCOMPARE(LookupSettings::read().edit, QStringLiteral("new"));
    QCOMPARE(readIni(userPath()).readString(QStringLiteral("OTHER"), QStringLiteral("Keep")),
             QStringLiteral("1"));
}

void TestLookupSettings::readOnlyFolder()
{
    if (::geteuid() == 0) {
        // Permissions do not hold for root: run this case again as an ordinary user, from a
        // copy of this program in a folder that user can reach (the build's may be private).
        QTemporaryDir copyDir;
        QVERIFY(copyDir.isValid());
        const QString copy = copyDir.filePath(QStringLiteral("tst_lookupsettings"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        const QFileDevice::Permissions open = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                              | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                              | QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(copy, open) && QFile::setPermissions(copyDir.path(), open));
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.setWorkingDirectory(copyDir.path());
        child.start(QStringLiteral("setpriv"),
                    {QStringLiteral("--reuid=%1").arg(nobodyId),
                     QStringLiteral("--regid=%1").arg(nobodyId), QStringLiteral("--clear-groups"),
                     QStringLiteral("--"), copy, QStringLiteral("readOnlyFolder")});
        QVERIFY2(child.waitForFinished(60000), "setpriv did not finish");
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 output.constData());
        QVERIFY2(output.contains("PASS   : TestLookupSettings::readOnlyFolder()"),
                 output.constData());
        return;
    }
    // An installed tool: the shared copy beside the executable, which a clerk cannot write.
    writeIni(sharedPath(), {4, 1, QStringLiteral("shared")}, true);
    QVERIFY(setWritable(sharedPath(), false));
    QVERIFY(setWritable(m_exeDir->path(), false));
    const QByteArray sharedBefore = [this] {
        QFile f(sharedPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(!sharedBefore.isEmpty());

    QCOMPARE(LookupSettings::read().edit, QStringLiteral("shared"));
    QString error, written;
    const LookupSettings chosen{5, 2, QStringLiteral("烏龍")};
    QVERIFY2(chosen.write(&error, &written), qPrintable(error));
    QCOMPARE(written, userPath());

    // The user's copy starts from the shared file, so its other sections are kept.
    const IniFile own = readIni(userPath());
    QCOMPARE(own.readString(product, QStringLiteral("Combo")), QStringLiteral("5"));
    QCOMPARE(own.readString(product, QStringLiteral("Edit")), QStringLiteral("烏龍"));
    QCOMPARE(own.readString(QStringLiteral("OTHER"), QStringLiteral("Keep")), QStringLiteral("1"));
    QFile shared(sharedPath());
    QVERIFY(shared.open(QIODevice::ReadOnly));
    QCOMPARE(shared.readAll(), sharedBefore);
    QCOMPARE(QDir(m_exeDir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("Search.ini")});

    // From now on the user's copy is read, and written again.
    const LookupSettings back = LookupSettings::read();
    QCOMPARE(back.combo, 5);
    QCOMPARE(back.radio, 2);
    QCOMPARE(back.edit, QStringLiteral("烏龍"));
    const LookupSettings again{1, 0, QStringLiteral("again")};
    QVERIFY(again.write(nullptr, &written));
    QCOMPARE(written, userPath());
    QCOMPARE(LookupSettings::read().edit, QStringLiteral("again"));
}

void TestLookupSettings::nothingWritableIsReported()
{
    // Folders where both files should be: neither can be written, as root or not.
    QVERIFY(QDir().mkpath(sharedPath()));
    QVERIFY(QDir().mkpath(userPath()));
    QString error, written;
    const LookupSettings settings{1, 1, QStringLiteral("x")};
    QVERIFY(!settings.write(&error, &written));
    QVERIFY(!error.isEmpty());
    QCOMPARE(written, userPath());
    QCOMPARE(LookupSettings::read().edit, QString()); // nothing readable: the defaults
}

QTEST_GUILESS_MAIN(TestLookupSettings)
#include "tst_lookupsettings.moc"
