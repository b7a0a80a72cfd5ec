// A library a test plug-in needs, found only because the farm loads it first.
extern "C" __attribute__((visibility("default"))) int testDependencyValue() { return 42; }
