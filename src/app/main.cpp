#include "app/setup_run.h"

int main(int argc, char** argv) {
  return runSetup(argc, argv, Waits());
}
