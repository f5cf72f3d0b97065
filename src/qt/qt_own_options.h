#pragma once

class QCommandLineParser;

namespace rv {

// Lets the parser accept the options every Qt program takes (-platform,
// -style, -display, -reverse, ...), single or double dash, "-style=fusion"
// too, and keeps them out of --help. They are acted on later, by the
// application object, which reads them from the same argv.
void acceptQtOwnOptions(QCommandLineParser& parser);

} // namespace rv
