// zanmig-ide: the desktop host standing in for the IDE. It loads the wizard
// plug-in (INITWIZARD0001), whose product menu then carries "&Migration
// Wizard", and opens the project named on the command line.
//
//   zanmig-ide [--wizard FILE | --no-plugin] [--settings FILE] [--codepage N] [PROJECT]
#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdlib>

#include "BuildInfo.h"
#include "app/desktop/ExceptionGuard.h"
#include "app/desktop/MainWindow.h"
#include "app/desktop/QtText.h"
#include "rtl/Encoding.h"
#include "rtl/RegIniFile.h"

namespace {

/// "0.1.0 (git 1a2b3c4d5e6f, Release)": the commit when built from a checkout.
QString VersionText() {
  QString text = QString::fromLatin1(zan::build::kVersion) + QStringLiteral(" (");
  if (*zan::build::kGitCommit)
    text +=
        QStringLiteral("git ") + QString::fromLatin1(zan::build::kGitCommit) + QStringLiteral(", ");
  return text + QString::fromLatin1(zan::build::kBuildType) + QLatin1Char(')');
}

/// What the command line asks for.
struct TOptions {
  QString Plugin;
  bool NoPlugin = false;
  QString Settings;
  QString CodePage;
  QString Project;
};

/// Parses the command line; --help and --version print and exit here, before
/// any window system is needed.
TOptions ParseCommandLine(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("zanmig-ide"));
  QCoreApplication::setApplicationVersion(VersionText());
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Desktop host standing in for the IDE: loads the migration wizard plug-in."));
  // Qt's options are written with one dash ("-platform offscreen").
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addHelpOption();
  parser.addVersionOption();
  // Not "--plugin": Qt's own "-plugin" option would take it.
  const QCommandLineOption pluginOption(
      QStringLiteral("wizard"),
      QStringLiteral("The wizard plug-in (default: $ZANMIG_WIZARD_PLUGIN, else zanmig-wizard.so "
                     "beside this program, else the installed one)."),
      QStringLiteral("FILE"));
  const QCommandLineOption noPluginOption(QStringLiteral("no-plugin"),
                                          QStringLiteral("Start without the wizard plug-in."));
  const QCommandLineOption settingsOption(
      QStringLiteral("settings"), QStringLiteral("The settings file standing for the registry."),
      QStringLiteral("FILE"));
  const QCommandLineOption codePageOption(
      QStringLiteral("codepage"), QStringLiteral("The ANSI code page of the units (default 1252)."),
      QStringLiteral("N"));
  parser.addOptions({pluginOption, noPluginOption, settingsOption, codePageOption});
  // Qt's own window-system options pass through to the application object.
  for (const char* name : {"platform", "display", "style"}) {
    QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
    qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(qtOption);
  }
  parser.addPositionalArgument(QStringLiteral("project"),
                               QStringLiteral("A .dpr or .dproj to open."),
                               QStringLiteral("[PROJECT]"));
  parser.process(app);
  TOptions options;
  options.Plugin = parser.value(pluginOption);
  options.NoPlugin = parser.isSet(noPluginOption);
  options.Settings = parser.value(settingsOption);
  options.CodePage = parser.value(codePageOption);
  if (!parser.positionalArguments().isEmpty())
    options.Project = QFileInfo(parser.positionalArguments().front()).absoluteFilePath();
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const TOptions options = ParseCommandLine(argc, argv);
  zan::TDesktopApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("zanmig-ide"));
  QApplication::setApplicationVersion(VersionText());

  if (!options.CodePage.isEmpty()) {
    // The plug-in reads the code page from the environment when it first needs it.
    const QByteArray codePage = options.CodePage.toUtf8();
    setenv("ZANMIG_CODEPAGE", codePage.constData(), 1);
    if (!zan::RunGuarded(nullptr, [&] { zan::SetAnsiCodePage(codePage.toInt()); })) return 2;
  }
  if (!options.Settings.isEmpty())
    zan::TRegIniFile::SetSettingsFileName(
        zan::FromQString(QFileInfo(options.Settings).absoluteFilePath()));

  auto ide = std::make_shared<zan::TDesktopIDE>();
  zan::TMainWindow window(ide);
  window.show();
  if (!options.NoPlugin) {
    const std::string plugin = !options.Plugin.isEmpty()
                                   ? options.Plugin.toStdString()
                                   : zan::TWizardPlugin::DefaultFileName(
                                         QCoreApplication::applicationDirPath().toStdString());
    window.LoadPlugin(plugin);
  }
  if (!options.Project.isEmpty()) window.OpenProject(zan::FromQString(options.Project));
  return app.exec();
}
