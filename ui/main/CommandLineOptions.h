// The program's command line: the window (optionally over the demo's
// simulated unit), or one command run without a window:
//   quenda [--demo | --demo-units N] [--device UNIT]
//   quenda [--demo] list [--json]
//   quenda [--demo] [--device UNIT] info | export FILE | import FILE | backup FILE | restore FILE
//   quenda [--demo] [--device UNIT] [--section NAME] filters-import A|B FILE | filters-export A|B FILE
//   quenda [--demo] [--device UNIT] recall N | store N | gain A|B DB | mute A|B on|off
//   quenda [--demo] [--device UNIT] [--target FILE] [--range LO-HI] [--max-boost DB] [--bands N]
//          [--dry-run] [--json] fit A|B MEASUREMENT
//   quenda [--demo] [--device UNIT] info --json
//   quenda [--demo] serve [--listen ADDR:PORT|none] [--device UNIT]... [--tls-cert FILE --tls-key FILE]
//                         [--mqtt URL [--mqtt-user NAME --mqtt-password-file FILE] [--mqtt-prefix P] [--mqtt-base B]]
//   quenda pair [--list | --forget NAME | --forget-all]
#pragma once

#include "model/EqualizerFit.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

enum class QuendaCommand {
    Window, List, Info, Export, Import, Backup, Restore, FiltersImport, FiltersExport, Recall, Store, Gain, Mute, Fit,
    Serve, Pair
};

struct CommandLineOptions {
    QuendaCommand command = QuendaCommand::Window;
    QString file;
    QString device;   // the unit's serial number or path; empty: the only one attached
    QStringList devices;   // serve: every --device given; empty: all units attached
    QHostAddress listenAddress{QHostAddress::LocalHost};   // serve: where it listens
    quint16 listenPort = 0;      // serve: 0 = the remote server's own port
    QString tlsCertificate;      // serve: HTTPS with this certificate and key
    QString tlsKey;
    bool http = true;            // serve: --listen none serves MQTT alone
    QString mqttUrl;             // serve: the broker; empty: no MQTT
    QString mqttUser;
    QString mqttPasswordFile;
    QString mqttPrefix = QStringLiteral("homeassistant");
    QString mqttBase = QStringLiteral("quenda");
    QString pairRequest = QStringLiteral("pair");   // pair: what it asks the running serve
    bool json = false;
    int preset = 0;       // recall and store: 1..20
    int gainCode = 0;     // gain: the channel gain's code
    bool mute = false;    // mute: on
    int channel = 0;     // the filter commands': 0 = CH A, 1 = CH B
    QString section;     // the channel a filter file's "Channel:" lines name to import; empty: none chosen
    FitOptions fit;      // fit: the range, the largest boost and the bands to use
    QString target;      // fit: the target curve's file; empty: flat
    bool dryRun = false; // fit: send nothing
    bool demo = false;
    int demoUnits = 1;   // --demo-units N: the demo presents N units
    bool help = false;
    bool version = false;
    QString error;   // why the arguments were refused; empty when they were not
};

// Reads the arguments, the program's name first. Never exits.
CommandLineOptions ParseOptions(const QStringList& arguments);

// The usage text --help prints.
QString UsageText();

// What a refused argument prints: its reason on one line, then where the usage is.
QString RefusalText(const QString& reason);

// "quenda 2.0.3"
QString VersionText();
