#include <windows.h>

#include "setup/product/ProductInfoQOLT.h"
#include "setup/ui/Main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RegisterProductQOLT();
  SetupMain();
  return 0;
}
