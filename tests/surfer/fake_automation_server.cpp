// An automation server that misbehaves as told: "garbage" answers with what is no message,
// "die" ends on the first request, "silent" never answers, "late-object" answers its first
// request well and then stops answering, "working" answers its first request well and then says,
// five times a second, that it is working on the next one, for ever. Any later argument is
// ignored (tests name their server with it, to find it among the processes).

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    std::string line;
    int requests = 0;
    while (std::getline(std::cin, line)) {
        ++requests;
        std::size_t at = line.find("\"id\":");
        std::string id = at == std::string::npos
            ? "0"
            : line.substr(at + 5, line.find_first_of(",}", at) - at - 5);
        if (mode == "garbage") {
            std::cout << "this is not json\n" << std::flush;
        } else if (mode == "die") {
            return 3;
        } else if (mode == "silent") {
            continue;
        } else if (mode == "late-object") {
            if (requests == 1)
                std::cout << "{\"id\":" << id << ",\"object\":1}\n" << std::flush;
        } else if (mode == "working") {
            if (requests == 1) {
                std::cout << "{\"id\":" << id << ",\"object\":1}\n" << std::flush;
                continue;
            }
            std::thread([id] {
                for (;;) {
                    std::cout << "{\"id\":" << id << ",\"working\":0.5}\n" << std::flush;
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                }
            }).detach();
        }
    }
    return 0;
}
