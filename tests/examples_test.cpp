// The bundled tour and its transcript must not drift apart: the transcript is what keeps the
// tour's output checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> ReadLines(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << path;
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(Tour, TranscriptRunsExactlyTheBundledTour) {
    const fs::path source = BF_SOURCE_DIR;
    const std::vector<std::string> tour = ReadLines(source / "examples" / "tour.txt");
    const std::vector<std::string> transcript =
        ReadLines(source / "tests" / "transcripts" / "tour.txt");
    ASSERT_FALSE(transcript.empty());
    EXPECT_EQ(transcript[0], "#! --server ../../examples/server --world ../../examples/world.json");

    // Script lines are echoed after "$ ", comments and blank lines as they are; the rest is
    // output.
    std::vector<std::string> script;
    for (std::size_t i = 1; i < transcript.size(); ++i) {
        const std::string& line = transcript[i];
        if (line.starts_with("$ ")) {
            script.push_back(line.substr(2));
        } else if (line.empty() || line.starts_with("#")) {
            script.push_back(line);
        }
    }
    EXPECT_EQ(script, tour) << "re-record tests/transcripts/tour.txt from examples/tour.txt";
}

}  // namespace
