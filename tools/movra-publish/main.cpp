// movra-publish: makes a component server folder (archives, catalog.json and its signature)
// from plug-in folders or ready-made archives, and the key pairs that sign it.

#include "componentmanager/publisher.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using namespace MovraComponents;

namespace {

const char kUsage[] =
    "usage: movra-publish --generate-key BASE      writes BASE.key (secret) and BASE.pub\n"
    "       movra-publish --key KEY --out DIR --sign\n"
    "       movra-publish --key KEY --out DIR COMPONENT...\n"
    "a COMPONENT is: --component NAME --version V (--folder DIR | --archive FILE)\n"
    "                [--provides FEATURE]... [--requires NAME]... [--min-player V]\n"
    "       [--serial N] [--expires TIME|DAYSd]\n"
    "Components already in DIR's catalogue stay unless published again.\n"
    "Every publication gets a serial one higher than DIR's catalogue had (or N), and clients\n"
    "refuse a catalogue older than one they accepted. It expires after 30 days (or at TIME,\n"
    "written 2030-01-31T00:00:00Z, or after DAYS days): publish again before then.\n";

int usage(const char* problem)
{
    std::fprintf(stderr, "movra-publish: %s\n%s", problem, kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string key, out, error;
    bool signOnly = false;
    std::vector<PublishedComponent> components;
    PublishOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--sign") {
            signOnly = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (i + 1 >= args.size())
            return usage(("missing value after " + a).c_str());
        const std::string& value = args[++i];
        if (a == "--generate-key") {
            if (!writeKeyPair(value, &error)) {
                std::fprintf(stderr, "movra-publish: %s\n", error.c_str());
                return 1;
            }
            return 0;
        }
        if (a == "--serial") {
            char* end = nullptr;
            errno = 0;
            const unsigned long long serial = std::strtoull(value.c_str(), &end, 10);
            if (value.empty() || value[0] == '-' || *end != '\0' || errno != 0 || serial == 0)
                return usage(("--serial needs a positive whole number, not " + value).c_str());
            options.serial = serial;
        } else if (a == "--expires") {
            if (const auto at = parseUtcTime(value)) {
                options.expires = *at;
            } else {
                char* end = nullptr;
                const long days = std::strtol(value.c_str(), &end, 10);
                if (value.empty() || *end != 'd' || end[1] != '\0' || days < 1 || days > 36500)
                    return usage(("--expires needs a time such as 2030-01-31T00:00:00Z or days such as 30d, not "
                                  + value)
                                     .c_str());
                options.expires = static_cast<int64_t>(std::time(nullptr)) + days * 24 * 3600;
            }
        } else if (a == "--key") {
            key = value;
        } else if (a == "--out") {
            out = value;
        } else if (a == "--component") {
            components.emplace_back();
            components.back().name = value;
        } else if (components.empty()) {
            return usage((a + " before --component").c_str());
        } else if (a == "--version") {
            components.back().version = value;
        } else if (a == "--folder") {
            components.back().folder = value;
        } else if (a == "--archive") {
            components.back().archive = value;
        } else if (a == "--provides") {
            components.back().provides.push_back(value);
        } else if (a == "--requires") {
            components.back().requires_.push_back(value);
        } else if (a == "--min-player") {
            components.back().minimumPlayerVersion = value;
        } else {
            return usage(("unknown option " + a).c_str());
        }
    }
    if (key.empty() || out.empty())
        return usage("--key and --out are needed");
    for (const PublishedComponent& c : components) {
        if (c.folder.empty() == c.archive.empty())
            return usage(("component " + c.name + " needs one of --folder and --archive").c_str());
    }
    const bool ok = signOnly ? signCatalogue(out, key, &error) : publishComponents(out, key, components, &error, options);
    if (!ok) {
        std::fprintf(stderr, "movra-publish: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
