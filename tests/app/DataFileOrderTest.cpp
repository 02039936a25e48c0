// Every kind of data file the program reads is found in one order: the settings folder, the XDG data
// folders, the program folder, then the installed data folder, and only then the built-in fallback.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>

#include "AppTests.h"
#include "app/Pictures.h"
#include "app/ProcedureCatalogue.h"
#include "app/THelpWindow.h"
#include "app/TVantrelApp.h"
#include "instruments/Dialect.h"
#include "instruments/InstrumentError.h"
#include "operations/UserPrompt.h"
#include "sim/SimProfile.h"

namespace vantrel::test {

namespace {

/// Sets (or unsets) an environment variable for one test and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<QByteArray> value) : m_name(name) {
        if (qEnvironmentVariableIsSet(name))
            m_old = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            qputenv(m_name.constData(), *m_old);
        else
            qunsetenv(m_name.constData());
    }

  private:
    QByteArray m_name;
    std::optional<QByteArray> m_old;
};

bool write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// One kind of data file: where it lives below a folder, its text carrying a mark, and what the program
/// finds (the mark of the copy it read, or what it falls back to).
struct FileKind {
    QString relativePath;
    std::function<QByteArray(const QByteArray& mark)> text;
    std::function<QString(TVantrelApp& app)> found;
};

FileKind kindNamed(const QString& kind) {
    if (kind == QLatin1String("picture"))
        return {QString::fromLatin1(pictureFile::Title), [](const QByteArray& mark) { return mark; },
                [](TVantrelApp& app) {
                    return QString::fromLatin1(readAll(app.dataFilePath(pictureFile::Title)));
                }};
    if (kind == QLatin1String("help page"))
        return {
            QStringLiteral("help/index.html"),
            [](const QByteArray& mark) { return "<html><head><title>" + mark + "</title></head></html>"; },
            [](TVantrelApp& app) {
                // What the window shows, not only which file it names: the page really comes from there.
                THelpWindow window(nullptr, app.helpFolders());
                window.showContext(helpContext::Index);
                return window.windowTitle().remove(QStringLiteral("Vantrel Help - "));
            }};
    if (kind == QLatin1String("simulator profile"))
        return {QStringLiteral("profiles/portable.json"),
                [](const QByteArray& mark) {
                    QByteArray json = readAll(QStringLiteral(VANTREL_TEST_PROFILES "/portable.json"));
                    const int from = json.indexOf("\"description\"");
                    const int to = json.indexOf('\n', from);
                    return json.replace(from, to - from, "\"description\": \"" + mark + "\",");
                },
                [](TVantrelApp& app) {
                    try {
                        return QString::fromStdString(
                            SimProfile::named("portable",
                                              SimProfile::searchPath(app.settingsDirectory().toStdString(),
                                                                     app.programDirectory().toStdString()))
                                .description);
                    } catch (const SimProfileError&) {
                        return QStringLiteral("none");
                    }
                }};
    return {QStringLiteral("instruments/order-test.dialect"),
            [](const QByteArray& mark) {
                return "dialect = order-test\ndescription = " + mark +
                       "\n[power-meter]\nmeasure = MEAS:POW?\nunit = W\n";
            },
            [](TVantrelApp& app) {
                try {
                    return QString::fromStdString(
                        loadDialect("order-test", dialectSearchPath(app.settingsDirectory().toStdString(),
                                                                    app.dataDirectory().toStdString(),
                                                                    app.programDirectory().toStdString()))
                            .description);
                } catch (const InstrumentError&) {
                    return QStringLiteral("none");
                }
            }};
}

}  // namespace

class DataFileOrderTest : public QObject {
    Q_OBJECT

  private slots:
    void testTheFirstFolderInTheOrderWins_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("fallback");  // what is found when no folder holds the file
        QTest::newRow("picture") << "picture"
                                 << "";
        QTest::newRow("help page") << "help page"
                                   << "Vantrel Help: Contents";
        QTest::newRow("simulator profile") << "simulator profile"
                                           << "none";
        QTest::newRow("instrument dialect") << "instrument dialect"
                                            << "none";
    }

    void testTheFirstFolderInTheOrderWins() {
        QFETCH(QString, kind);
        QFETCH(QString, fallback);
        const FileKind file = kindNamed(kind);
        QTemporaryDir root;
        // Installed under a prefix the XDG folders do not name: <prefix>/bin and <prefix>/share/vantrel.
        const QString settings = root.filePath("config/vantrel"), home = root.filePath("home-data"),
                      shared = root.filePath("site"), program = root.filePath("opt/bin"),
                      data = root.filePath("opt/share/vantrel");
        QDir().mkpath(program);
        QDir().mkpath(data);
        ScopedEnv dataHome("XDG_DATA_HOME", home.toLocal8Bit());
        ScopedEnv dataDirs("XDG_DATA_DIRS", shared.toLocal8Bit());
        ScopedEnv profiles("VANTREL_SIM_PROFILES", std::nullopt);
        ScopedEnv dialects("VANTREL_INSTRUMENTS_DIR", std::nullopt);

        StartOptions options;
        options.programDirectory = program;
        options.dataDirectory = data;
        options.settingsDirectory = settings;
        options.workDirectory = root.filePath("work");
        options.profilePath = root.filePath("Vantrel.ini");
        ScriptedPrompt prompt;
        TVantrelApp app(options, prompt, ShellHooks{});

        const QStringList folders = {settings, home + "/vantrel", shared + "/vantrel", program, data};
        const QStringList marks = {"settings", "data-home", "data-dirs", "program", "installed-data"};
        for (int i = 0; i < folders.size(); ++i)
            QVERIFY(write(folders[i] + '/' + file.relativePath, file.text(marks[i].toLatin1())));
        // Remove the winner each time: the next folder in the order takes over.
        for (int i = 0; i < folders.size(); ++i) {
            QCOMPARE(file.found(app), marks[i]);
            QVERIFY(QFile::remove(folders[i] + '/' + file.relativePath));
        }
        QCOMPARE(file.found(app), fallback);
    }

    void testAFolderOfTheFilesNameIsPassedOver_data() { testTheFirstFolderInTheOrderWins_data(); }

    void testAFolderOfTheFilesNameIsPassedOver() {
        QFETCH(QString, kind);
        const FileKind file = kindNamed(kind);
        QTemporaryDir root;
        const QString settings = root.filePath("settings"), program = root.filePath("bin");
        ScopedEnv dataHome("XDG_DATA_HOME", root.filePath("home-data").toLocal8Bit());
        ScopedEnv dataDirs("XDG_DATA_DIRS", root.filePath("site").toLocal8Bit());
        ScopedEnv profiles("VANTREL_SIM_PROFILES", std::nullopt);
        ScopedEnv dialects("VANTREL_INSTRUMENTS_DIR", std::nullopt);
        QVERIFY(QDir().mkpath(settings + '/' + file.relativePath));
        QVERIFY(write(program + '/' + file.relativePath, file.text("program")));
        StartOptions options;
        options.programDirectory = program;
        options.settingsDirectory = settings;
        options.profilePath = root.filePath("Vantrel.ini");
        ScriptedPrompt prompt;
        TVantrelApp app(options, prompt, ShellHooks{});
        QCOMPARE(file.found(app), QStringLiteral("program"));
    }
};

std::unique_ptr<QObject> makeDataFileOrderTest() {
    return std::make_unique<DataFileOrderTest>();
}

}  // namespace vantrel::test

#include "DataFileOrderTest.moc"
