// Linked with every object of one room of the core and only the libraries that
// room declares; never run.
int main() {
    return 0;
}
