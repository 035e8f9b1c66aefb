/* The size reference with formatted output. */
#include <stdio.h>

int main(void) {
  printf("Hello from the size reference, number %d.\n", 42);
  return 0;
}
