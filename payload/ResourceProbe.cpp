// Carries the payload resources and nothing else; tests read them from its file.
int main() { return 0; }
