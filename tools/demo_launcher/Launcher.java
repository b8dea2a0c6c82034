// The demo's launcher jar: a real, tiny Java program, so its digest is that of a real jar.
public final class Launcher {
    public static void main(String[] args) {
        System.out.println("Morvanta demo launcher: debug=" + System.getProperty("launcher.debug")
                + " stacktrace=" + System.getProperty("launcher.stacktrace")
                + " in " + System.getProperty("user.dir"));
    }
}
