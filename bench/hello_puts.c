/* The size reference: a plain C program that prints a line. */
#include <stdio.h>

int main(void) {
  puts("Hello from the size reference.");
  return 0;
}
