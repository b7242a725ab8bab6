// ksrhost: the reference host of the KSR line-array module. It loads the
// module as a simulation host does and lets a designer or a tester script it.

#include <iostream>
#include <new>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "host_error.h"
#include "interruption.h"
#include "memory_use.h"

namespace {

using namespace ksrhost;

constexpr const char* kCommands = "info, predict, map, velt, design";

// The first argument that is neither an option nor an option's value: the
// sub-command the user meant.
std::string firstWord(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--module") {
            ++i;
        } else if (!word.empty() && word[0] != '-') {
            return word;
        }
    }
    return {};
}

int fail(int status, const std::string& message) {
    std::cout.flush();
    std::cerr << "ksrhost: error: " << message << "\n";
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "ksrhost: the reference host of the KSR line-array module.\n"
        "info, predict and map load the module (libksr.so beside this program on Linux, ksr.dll by ordinal on\n"
        "Windows) and reach the model through its exports only, in a host's calling order. velt and design use\n"
        "the module's portable core directly (the exchange files and design rules have no exports).\n"
        "Options may come in any order, before or after the sub-command's files.",
        "ksrhost"};
    app.footer(
        "Exit status: 0 success; 1 bad input (an option, a field of a design, scene or seats file, a module that\n"
        "cannot be loaded); 2 a file could not be read or written, or memory ran out. Every error names the file,\n"
        "field or option.");
    app.require_subcommand(1);
    // Options of the top level (--module) may also stand after the sub-command.
    app.fallthrough();
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
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const std::string word = firstWord(argc, argv);
        if (app.get_subcommands().empty() && !word.empty()) {
            return fail(kExitBadInput, "unknown command '" + word + "'; expected one of " + kCommands +
                                           " (ksrhost --help lists them)");
        }
        if (app.get_subcommands().empty()) {
            return fail(kExitBadInput, std::string("a command is required: one of ") + kCommands);
        }
        return fail(kExitBadInput, std::string(e.what()) + " (ksrhost " + app.get_subcommands().front()->get_name() +
                                       " --help lists the options)");
    }

    removeTemporariesOnInterruption();
    try {
        if (infoCommand->parsed()) runInfo(LoadedModule(modulePath), info, std::cout);
        if (predictCommand->parsed()) runPredict(LoadedModule(modulePath), predict, std::cout);
        if (mapCommand->parsed()) runMap(LoadedModule(modulePath), map, std::cout);
        if (veltCommands.import->parsed()) runVeltImport(velt, std::cout);
        if (veltCommands.exportFile->parsed()) runVeltExport(velt, std::cout);
        if (checkCommand->parsed()) runDesignCheck(design, std::cout);
        if (splayCommand->parsed()) runSplay(splay, std::cout);
    } catch (const FileError& e) {
        return fail(kExitFileAccess, e.what());
    } catch (const HostError& e) {
        return fail(e.exitStatus(), e.what());
    } catch (const std::bad_alloc&) {
        // Every output is still a temporary file, removed on the way out; the
        // previous files are as they were.
        return fail(kExitFileAccess, "out of memory while " + MemoryUse::described() +
                                         "; nothing was written (take fewer seats, a coarser grid or fewer arrays)");
    } catch (const std::exception& e) {
        return fail(kExitBadInput, std::string("internal error: ") + e.what());
    }
    std::cout.flush();
    if (!std::cout) return fail(kExitFileAccess, "cannot write the standard output");
    return kExitSuccess;
}
