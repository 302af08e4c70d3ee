// The yardstick of a configuration's reading: pugixml, a fast XML parser, parses the five
// files of a configuration folder (read into memory first) and touches every attribute of
// every row. It prints the best time of one parse of the five in microseconds, over
// `rounds` parses, then exits; as a process it is the whole-process yardstick too.
//
//     pugixml_parse DIR [ROUNDS]

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pugixml_parse DIR [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const char* names[] = {"ParGen.xml", "RCobDef.xml", "TCobDef.xml", "RInfoCob.xml", "TInfoCob.xml"};
    std::vector<std::string> files;
    for (const char* name : names) {
        std::ifstream in(std::string(argv[1]) + "/" + name, std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    double best = 1e30;
    std::size_t values = 0;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& bytes : files) {
            pugi::xml_document doc;
            if (!doc.load_buffer(bytes.data(), bytes.size())) {
                std::fprintf(stderr, "pugixml_parse: cannot parse a file of %s\n", argv[1]);
                return 1;
            }
            for (const pugi::xml_node row : doc.document_element().children()) {
                for (const pugi::xml_attribute a : row.attributes())
                    values += std::char_traits<char>::length(a.value());
            }
        }
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    std::printf("%.0f %zu\n", best, values);
    return 0;
}
