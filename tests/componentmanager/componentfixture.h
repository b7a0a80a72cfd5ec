#pragma once
// What the manager's tests share: a kit of their own (root, registry, signing key) and a
// server folder with the base installation of a codec pack and one decoder that needs it.

#include "componenttestkit.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace ComponentTest {

const char kAvcSpec[] = "MPC;video_decoder.avc;3.1.0";

struct Fixture : ::testing::Test
{
    Kit kit;
    std::string serverFolder = kit.dir() + "/server";

    void publishBase(const std::string& avcVersion = "1.0", const std::string& avcBytes = "avc-1")
    {
        kit.publish(serverFolder, {"--component", "MPC", "--version", "3.1.0", "--folder",
                                   kit.makeFolder("MPC", {{"MPC.so", "mpc"}}), "--component", "AVCCodec",
                                   "--version", avcVersion, "--folder",
                                   kit.makeFolder("AVC-" + avcVersion, {{"AVCCodec.so", avcBytes}}), "--provides",
                                   "video_decoder.avc", "--requires", "MPC"});
    }

    void installBase(const Server& server)
    {
        MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
        Session session;
        ASSERT_EQ(session.update("AVCCodec"), 0) << kit.log();
    }

    // Nothing but the components themselves and their lock files in the root.
    std::vector<std::string> leftovers() const
    {
        const RunResult r = run({"sh", "-c", "ls -A '" + kit.root() + "' | grep -v -e '^\\.lock-' -e '^MPC$' -e "
                                                  "'^AVCCodec$' -e '^MPEG4Decoder$' -e '^\\.catalogue-serials' || true"});
        std::vector<std::string> names;
        std::istringstream lines(r.output);
        for (std::string line; std::getline(lines, line);)
            names.push_back(line);
        return names;
    }
};

} // namespace ComponentTest
