#include "tools/movra-reg/regtool.h"

#include <QLoggingCategory>
#include <QString>

#include <iostream>

int main(int argc, char** argv)
{
    // The tool reports a broken registry file itself, naming it once.
    QLoggingCategory::setFilterRules(QStringLiteral("movra.platform.registry.warning=false"));
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(QString::fromLocal8Bit(argv[i]).toStdU16String());
    MovraReg::RegTool tool(std::cout, std::cerr, std::cin);
    return tool.run(args);
}
