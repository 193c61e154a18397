#include "vesk.h"

int main(int argc, char** argv) { return veskMain(argc, argv); }
