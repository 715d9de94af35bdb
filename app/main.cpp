#include <cstdio>
int main() { std::puts("front end to come"); return 0; }
