#include "front/driver.h"

int main(int argc, char** argv) { return quorvane_main(argc, argv); }
