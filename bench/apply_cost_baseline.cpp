// The start-up the headless run cannot avoid: a program that loads the same
// shared libraries as `wordloom` and does nothing.
int main() {
  return 0;
}
