#pragma once
// What the test plug-in received, read back by the tests through a test-only interface.

constexpr char kURIRecorderInterface[] = "com.movra.test.URIRecorder";

class IURIRecorder
{
public:
    virtual ~IURIRecorder() {}
    virtual int count() = 0;
    // The index-th address received, oldest first; null past the end.
    virtual const char* uri(int index) = 0;
};
