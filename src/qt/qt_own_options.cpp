#include "qt/qt_own_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace rv {

namespace {

// QGuiApplication, QApplication and the X11 platform plugin take these.
constexpr const char* kWithValue[] = {
    "platform",   "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry", "geometry", "qwindowicon",
    "icon",       "qwindowtitle",       "title",         "session", "display",         "name",     "style",
    "stylesheet", "qmljsdebugger"};
constexpr const char* kFlags[] = {"reverse", "widgetcount", "sync", "nograb", "dograb", "testability"};

void addHidden(QCommandLineParser& parser, const char* name, const QString& valueName)
{
    QCommandLineOption option(QString::fromLatin1(name));
    option.setValueName(valueName);
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
}

} // namespace

void acceptQtOwnOptions(QCommandLineParser& parser)
{
    // Qt's own options are single-dash words; as compacted short options
    // "-platform" would read as -p -l -a ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : kWithValue)
        addHidden(parser, name, QStringLiteral("value"));
    for (const char* name : kFlags)
        addHidden(parser, name, QString());
}

} // namespace rv
