/* A module that exists only to carry the resources of its script. */
__declspec(dllexport) int about_sample_module(void) { return 0; }
