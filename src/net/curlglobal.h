#pragma once

namespace velumo {

// libcurl's process-wide set-up, which is not safe to run on two threads at once: main() (and
// each test program that transfers) holds one of these from before any thread starts to after
// the last transfer. A transfer that finds none warns once (the library would then set itself
// up lazily on a worker thread).
class CurlGlobal final {
public:
    CurlGlobal();
    ~CurlGlobal();

    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;

    // Called by each transfer before it uses the library.
    static void checkInitialised();
};

}  // namespace velumo
