#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <string_view>

bool AsksOnlyForText(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") return false;  // what follows are charts
        if (argument == "-h" || argument == "--help" || argument == "--help-all" ||
            argument == "-v" || argument == "--version")
            return true;
    }
    return false;
}

QString ChartFromCommandLine(const QStringList& arguments) {
    // The parser answers --version with these and names the program in --help.
    QCoreApplication::setApplicationName(QStringLiteral("stepquill"));
    QCoreApplication::setApplicationVersion(QStringLiteral(STEPQUILL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts a difficulty of a step chart (DWI, StepMania .sm or .ssc) "
                       "into a kvt timing file."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("chart"),
        QStringLiteral("The chart (.dwi, .sm or .ssc) to read when the window opens."),
        QStringLiteral("[chart]"));
    parser.process(arguments);
    return parser.positionalArguments().value(0);
}
