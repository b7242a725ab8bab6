// ksrhost: the reference host of the KSR line-array module. It loads the
// module as a simulation host does and lets a designer or a tester script it.

#include <iostream>

#include "commands.h"
#include "host_error.h"

int main(int argc, char** argv) {
    using namespace ksrhost;
    CLI::App app{
        "ksrhost: the reference host of the KSR line-array module.\n"
        "info, predict and map load the module (libksr.so beside this program on Linux, ksr.dll by ordinal on\n"
        "Windows) and reach the model through its exports only, in a host's calling order. velt and design use\n"
        "the module's portable core directly (the exchange files and design rules have no exports)."};
    app.require_subcommand(1);
    // Paths may start with '/' (Wine passes Unix paths through); on Windows
    // CLI11 would otherwise take them for "/option" switches.
    app.allow_windows_style_options(false);
    std::string modulePath;
    app.add_option("--module", modulePath, "The module to load instead of the one beside this program");

    InfoOptions info;
    PredictOptions predict;
    MapOptions map;
    VeltOptions velt;
    DesignOptions design;
    SplayOptions splay;
    CLI::App* infoCommand = addInfoCommand(app, info);
    CLI::App* predictCommand = addPredictCommand(app, predict);
    CLI::App* mapCommand = addMapCommand(app, map);
    const VeltCommands veltCommands = addVeltCommands(app, velt);
    CLI::App* checkCommand = addDesignCommands(app, design);
    CLI::App* splayCommand = addSplayCommand(*app.get_subcommand("design"), splay);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    try {
        if (infoCommand->parsed()) runInfo(LoadedModule(modulePath), info, std::cout);
        if (predictCommand->parsed()) runPredict(LoadedModule(modulePath), predict, std::cout);
        if (mapCommand->parsed()) runMap(LoadedModule(modulePath), map, std::cout);
        if (veltCommands.import->parsed()) runVeltImport(velt, std::cout);
        if (veltCommands.exportFile->parsed()) runVeltExport(velt, std::cout);
        if (checkCommand->parsed()) runDesignCheck(design, std::cout);
        if (splayCommand->parsed()) runSplay(splay, std::cout);
    } catch (const HostError& e) {
        std::cout.flush();
        std::cerr << "ksrhost: error: " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "ksrhost: internal error: " << e.what() << "\n";
        return 2;
    }
    return 0;
}
