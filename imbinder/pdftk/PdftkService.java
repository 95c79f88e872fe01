// pdftk-java kept running for one user's runs of the pdftk launcher, so that a run costs the
// work on its documents and not the start of Java: a chain of runs gets the compiled code of
// the runs before it. One run at a time, each with its own arguments and console streams, over
// a socket in a folder only that user can enter. It ends once nobody has asked for a while,
// when its socket is taken over, or after a run that exhausted its memory.
//   PdftkService <socket path> <idle seconds>
// A request: the number of arguments, then each as its length and its bytes (big-endian
// 32-bit numbers). The answer: frames of one kind byte ('o' output, 'e' error output, 'x' the
// exit code), a 32-bit length and the bytes; 'x' is the last.
import java.io.ByteArrayInputStream;
import java.io.DataInputStream;
import java.io.DataOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.io.PrintStream;
import java.net.StandardProtocolFamily;
import java.net.UnixDomainSocketAddress;
import java.nio.channels.Channels;
import java.nio.channels.SelectionKey;
import java.nio.channels.Selector;
import java.nio.channels.ServerSocketChannel;
import java.nio.channels.SocketChannel;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.attribute.BasicFileAttributes;
import java.util.Objects;

public final class PdftkService {
    private static final int MAX_ARGUMENTS = 100_000;
    private static final int MAX_ARGUMENT_BYTES = 1 << 20;

    public static void main(String[] args) throws Exception {
        final Path socket = Path.of(args[0]);
        final long idleMillis = Long.parseLong(args[1]) * 1000;
        final ServerSocketChannel server = bind(socket);
        if (server == null) return;
        final Object ours = fileKey(socket);
        // The arguments are decoded as Java decodes a command line's.
        final Charset charset = Charset.forName(
                System.getProperty("sun.jnu.encoding", Charset.defaultCharset().name()));
        server.configureBlocking(false);
        final Selector selector = Selector.open();
        server.register(selector, SelectionKey.OP_ACCEPT);
        boolean healthy = true;
        while (healthy && selector.select(idleMillis) > 0) {
            selector.selectedKeys().clear();
            if (!Objects.equals(fileKey(socket), ours)) return;  // another service has it now
            final SocketChannel client = server.accept();
            if (client == null) continue;
            client.configureBlocking(true);
            try (client) {
                healthy = serve(client, charset);
            } catch (IOException lostClient) {
                // The launcher went away; the next one is served as usual.
            }
        }
        if (Objects.equals(fileKey(socket), ours)) Files.deleteIfExists(socket);
    }

    private static ServerSocketChannel bind(Path socket) throws IOException {
        final UnixDomainSocketAddress address = UnixDomainSocketAddress.of(socket);
        for (int attempt = 0; attempt < 2; ++attempt) {
            final ServerSocketChannel server = ServerSocketChannel.open(StandardProtocolFamily.UNIX);
            try {
                server.bind(address);
                return server;
            } catch (IOException taken) {
                server.close();
            }
            try (SocketChannel probe = SocketChannel.open(address)) {
                return null;  // a service answers there already
            } catch (IOException nobody) {
                Files.deleteIfExists(socket);  // left by a service that is gone
            }
        }
        return null;
    }

    private static Object fileKey(Path socket) {
        try {
            return Files.readAttributes(socket, BasicFileAttributes.class).fileKey();
        } catch (IOException gone) {
            return null;
        }
    }

    // False when the service should not take another run.
    private static boolean serve(SocketChannel client, Charset charset) throws IOException {
        final DataInputStream request = new DataInputStream(Channels.newInputStream(client));
        final int count = request.readInt();
        if (count < 0 || count > MAX_ARGUMENTS) return true;
        final String[] arguments = new String[count];
        for (int i = 0; i < count; ++i) {
            final int length = request.readInt();
            if (length < 0 || length > MAX_ARGUMENT_BYTES) return true;
            arguments[i] = new String(request.readNBytes(length), charset);
        }
        final DataOutputStream answer = new DataOutputStream(Channels.newOutputStream(client));
        final PrintStream out = new PrintStream(new FrameStream(answer, 'o'), false);
        final PrintStream err = new PrintStream(new FrameStream(answer, 'e'), true);
        final PrintStream consoleOut = System.out;
        final PrintStream consoleErr = System.err;
        final InputStream consoleIn = System.in;
        System.setOut(out);
        System.setErr(err);
        System.setIn(new ByteArrayInputStream(new byte[0]));
        int code;
        boolean healthy = true;
        try {
            code = com.gitlab.pdftk_java.pdftk.main_noexit(arguments);
        } catch (OutOfMemoryError exhausted) {
            err.println("Error: pdftk ran out of memory.");
            code = 1;
            healthy = false;
        } catch (Throwable failure) {
            failure.printStackTrace(err);
            code = 1;
        } finally {
            out.flush();
            err.flush();
            System.setOut(consoleOut);
            System.setErr(consoleErr);
            System.setIn(consoleIn);
        }
        synchronized (answer) {
            answer.writeByte('x');
            answer.writeInt(4);
            answer.writeInt(code);
            answer.flush();
        }
        return healthy;
    }

    // The bytes of one console stream, framed with its kind.
    private static final class FrameStream extends OutputStream {
        private final DataOutputStream answer;
        private final int kind;

        FrameStream(DataOutputStream answer, int kind) {
            this.answer = answer;
            this.kind = kind;
        }

        @Override
        public void write(int b) throws IOException {
            write(new byte[] {(byte) b}, 0, 1);
        }

        @Override
        public void write(byte[] bytes, int offset, int length) throws IOException {
            if (length == 0) return;
            synchronized (answer) {
                answer.writeByte(kind);
                answer.writeInt(length);
                answer.write(bytes, offset, length);
            }
        }

        @Override
        public void flush() throws IOException {
            answer.flush();
        }
    }
}
