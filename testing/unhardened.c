/* A program linked without the exploit mitigations, never run: it shows that
   the hardening check refuses such an executable. */
int main(void) {
  return 0;
}
