// The maintenance entry point: hands a command line to the process's parser, which posts
// one event per recognised option to the application object of a running player.

#include "mpx/mpxstringtools.h"
#include "shell/argumentparser.h"
#include "shell/exports.h"

#include <QStringList>

#include <string>

extern "C" MOVRA_SHELL_EXPORT void commandline(int32_t argc, char** argv)
{
    QStringList arguments;
    for (int32_t i = 0; i < argc && argv; ++i)
        arguments.append(MovraPlayerX::MPXStringTools::fromStdStringUTF8(argv[i] ? std::string(argv[i]) : std::string()));
    ArgumentParser::instance().parseCommandLine(arguments);
}
