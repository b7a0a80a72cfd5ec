extern "C" int standin_placeholder() { return 0; }
