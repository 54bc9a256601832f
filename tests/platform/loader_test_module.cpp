// A native shared object for the library loader's tests.
extern "C" __attribute__((visibility("default"))) int zul_loader_test_answer()
{
    return 42;
}
