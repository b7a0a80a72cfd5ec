#pragma once
// Folders of generated plug-ins for the figures: copies of the trivial plug-in library, each
// with a properties document of its own name, and optionally the plain view.

#include <filesystem>
#include <fstream>
#include <string>

namespace MovraBench {

constexpr char kPlainViewName[] = "com.movra.playerX.plugin.MPXPlayerPlugin";

inline void writeProperties(const std::filesystem::path& path, const std::string& name, const char* interface,
                            bool primaryView)
{
    std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<properties version=\"1.0\">\n"
                        << "  <type>plugin</type>\n  <plugin>\n    <name>" << name << "</name>\n"
                        << "    <interfaces>\n      <interface><name>" << interface << "</name></interface>\n"
                        << "    </interfaces>\n  </plugin>\n"
                        << (primaryView ? "  <playerX><primaryView/></playerX>\n" : "") << "</properties>\n";
}

// `count` plug-ins in `folder`, the plain view among them when `withView`. The trivial
// libraries are hard links of one file: discovery never loads them.
inline void makePluginFolder(const std::filesystem::path& folder, int count, bool withView)
{
    namespace fs = std::filesystem;
    fs::create_directories(folder);
    int trivial = count;
    if (withView) {
        fs::copy_file(BENCH_PLAIN_VIEW, folder / "PlainView.so", fs::copy_options::overwrite_existing);
        writeProperties(folder / "PlainView.xml", kPlainViewName, "com.movra.playerX.pluginInterface.View", true);
        --trivial;
    }
    for (int i = 0; i < trivial; ++i) {
        const std::string base = "Trivial" + std::to_string(i);
        std::error_code error;
        fs::create_hard_link(BENCH_TRIVIAL_PLUGIN, folder / (base + ".so"), error);
        if (error)
            fs::copy_file(BENCH_TRIVIAL_PLUGIN, folder / (base + ".so"), fs::copy_options::overwrite_existing);
        writeProperties(folder / (base + ".xml"), "com.example.bench.trivial" + std::to_string(i),
                        "com.example.bench.interface.Nothing", false);
    }
}

} // namespace MovraBench
