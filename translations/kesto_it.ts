<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About KESTO</source>
        <translation>Informazioni su KESTO</translation>
    </message>
    <message>
        <source>vrensk&apos;s</source>
        <translation>di vrensk</translation>
    </message>
    <message>
        <source>Quorvel?</source>
        <translation>Quorvel?</translation>
    </message>
    <message>
        <source>border: none;</source>
        <translation>border: none;</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
</context>
<context>
    <name>AnswerDialog</name>
    <message>
        <source>Add answer</source>
        <translation>Aggiungi risposta</translation>
    </message>
    <message>
        <source>When:</source>
        <translation>Quando:</translation>
    </message>
    <message>
        <source>Answer:</source>
        <translation>Risposta:</translation>
    </message>
    <message>
        <source>Rename everywhere</source>
        <translation>Rinomina ovunque</translation>
    </message>
    <message>
        <source>Every answer &quot;%1&quot; becomes:</source>
        <translation>Ogni risposta «%1» diventa:</translation>
    </message>
</context>
<context>
    <name>BarList</name>
    <message>
        <source>%1: %2 (%3)</source>
        <translation>%1: %2 (%3)</translation>
    </message>
</context>
<context>
    <name>ChartWidget</name>
    <message>
        <source>%1 h</source>
        <translation>%1 h</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1%</translation>
    </message>
</context>
<context>
    <name>ColumnChart</name>
    <message>
        <source>%1 to %2</source>
        <translation>dal %1 al %2</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1: %2 recorded (%3)</source>
        <translation>%1: %2 registrate (%3)</translation>
    </message>
    <message>
        <source>; away %1 (%2)</source>
        <translation>; assente %1 (%2)</translation>
    </message>
    <message>
        <source>Away</source>
        <translation>Assente</translation>
    </message>
</context>
<context>
    <name>ComputersDialog</name>
    <message>
        <source>Other computers</source>
        <translation>Altri computer</translation>
    </message>
    <message>
        <source>Sync folder:</source>
        <translation>Cartella sincronizzata:</translation>
    </message>
    <message>
        <source>None: this computer publishes nothing</source>
        <translation>Nessuna: questo computer non pubblica nulla</translation>
    </message>
    <message>
        <source>Choose...</source>
        <translation>Scegli...</translation>
    </message>
    <message>
        <source>This computer&apos;s name:</source>
        <translation>Nome di questo computer:</translation>
    </message>
    <message>
        <source>Everyone who shares the folder, and a cloud drive&apos;s service, can read the window titles and answers in the copy. An empty folder stops publishing; a copy already published stays until you delete it.</source>
        <translation>Chiunque condivida la cartella, e il servizio di un cloud drive, può leggere i titoli delle finestre e le risposte nella copia. Senza cartella non si pubblica più nulla; una copia già pubblicata resta finché non la elimini.</translation>
    </message>
    <message>
        <source>kesto can publish a copy of its log into a folder that Syncthing or a cloud drive (Nextcloud, Dropbox, OneDrive) keeps in sync between your computers, and read the copies the others publish there. The activity log and its CSV export then offer &quot;All computers&quot;. &lt;a href=&quot;%1&quot;&gt;How to share a folder with Syncthing&lt;/a&gt;</source>
        <translation>kesto può pubblicare una copia del suo registro in una cartella che Syncthing o un cloud drive (Nextcloud, Dropbox, OneDrive) tiene sincronizzata tra i tuoi computer, e leggervi le copie degli altri. Il registro delle attività e la sua esportazione CSV offrono allora «Tutti i computer». &lt;a href=&quot;%1&quot;&gt;Come condividere una cartella con Syncthing&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Sync folder</source>
        <translation>Cartella sincronizzata</translation>
    </message>
</context>
<context>
    <name>ForegroundWindowSource</name>
    <message>
        <source>To log programs on GNOME, turn on kesto&apos;s GNOME Shell extension: %1 (if GNOME does not know it yet, log out and in first). kesto starts logging as soon as it is on.</source>
        <translation>Per registrare i programmi su GNOME, attiva l&apos;estensione di GNOME Shell di kesto: %1 (se GNOME non la conosce ancora, esci e rientra prima). kesto inizia a registrare appena è attiva.</translation>
    </message>
    <message>
        <source>This Wayland desktop does not tell kesto which window is in front (%1; %2).</source>
        <translation>Questo desktop Wayland non dice a kesto quale finestra è in primo piano (%1; %2).</translation>
    </message>
</context>
<context>
    <name>ForgetDialog</name>
    <message>
        <source>Forget</source>
        <translation>Dimentica</translation>
    </message>
    <message>
        <source>What should kesto forget? Program time and answers in that time are deleted from the log.</source>
        <translation>Che cosa deve dimenticare kesto? Il tempo nei programmi e le risposte di quel periodo vengono eliminati dal registro.</translation>
    </message>
    <message>
        <source>The last 15 minutes</source>
        <translation>Gli ultimi 15 minuti</translation>
    </message>
    <message>
        <source>The last hour</source>
        <translation>L&apos;ultima ora</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Oggi</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Da</translation>
    </message>
    <message>
        <source>to</source>
        <translation>a</translation>
    </message>
</context>
<context>
    <name>LogInsight</name>
    <message>
        <source>%1 is kesto&apos;s own log; please choose another file.</source>
        <translation>%1 è il registro di kesto; scegli un altro file.</translation>
    </message>
    <message>
        <source>The timesheet was not written: kesto is ending.</source>
        <translation>Il foglio ore non è stato scritto: kesto sta terminando.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Error</source>
        <translation>Errore</translation>
    </message>
    <message>
        <source>Whoops, something went wrong and I can&apos;t open the database!</source>
        <translation>Ops, qualcosa è andato storto e non riesco ad aprire il database!</translation>
    </message>
    <message>
        <source>I take it back!</source>
        <translation>Ci ripenso!</translation>
    </message>
    <message>
        <source>Show log...</source>
        <translation>Mostra registro...</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <translation>15 minuti</translation>
    </message>
    <message>
        <source>30 minutes</source>
        <translation>30 minuti</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 ora</translation>
    </message>
    <message>
        <source>1 hour 30 minutes</source>
        <translation>1 ora e 30 minuti</translation>
    </message>
    <message>
        <source>2 hours</source>
        <translation>2 ore</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>Frequenza</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Attivo</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Informazioni...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Esci</translation>
    </message>
    <message>
        <source>Quorvel?</source>
        <translation>Quorvel?</translation>
    </message>
    <message>
        <source>Program logging is not available in this session. The prompt and the reports work as usual.</source>
        <translation>La registrazione dei programmi non è disponibile in questa sessione. La domanda e i resoconti funzionano come sempre.</translation>
    </message>
    <message>
        <source>An error occourred while writing to the database: </source>
        <translation>Si è verificato un errore durante la scrittura nel database: </translation>
    </message>
    <message>
        <source>When kesto last ended, the log could not take everything. What it could not write is in:</source>
        <translation>Quando kesto è stato chiuso l&apos;ultima volta, il registro non ha potuto accogliere tutto. Ciò che non è stato scritto si trova in:</translation>
    </message>
    <message>
        <source>Ask about time away</source>
        <translation>Chiedi del tempo di assenza</translation>
    </message>
    <message>
        <source>Away after</source>
        <translation>Assente dopo</translation>
    </message>
    <message>
        <source>3 minutes</source>
        <translation>3 minuti</translation>
    </message>
    <message>
        <source>5 minutes</source>
        <translation>5 minuti</translation>
    </message>
    <message>
        <source>10 minutes</source>
        <translation>10 minuti</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Mai</translation>
    </message>
    <message>
        <source>Away %1–%2 (%3 min) – Quorvel?</source>
        <translation>Assente %1–%2 (%3 min) – Quorvel?</translation>
    </message>
    <message>
        <source>Other computers...</source>
        <translation>Altri computer...</translation>
    </message>
    <message>
        <source>Forget...</source>
        <translation>Dimentica...</translation>
    </message>
    <message>
        <source>Rules...</source>
        <translation>Regole...</translation>
    </message>
    <message>
        <source>Summary...</source>
        <translation>Riepilogo...</translation>
    </message>
</context>
<context>
    <name>MainWindowClass</name>
    <message>
        <source>Quorvel?</source>
        <translation>Quorvel?</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Salva</translation>
    </message>
</context>
<context>
    <name>OtherComputers</name>
    <message>
        <source>Your log could not be published for your other computers.</source>
        <translation>Non è stato possibile pubblicare il registro per gli altri computer.</translation>
    </message>
</context>
<context>
    <name>PeerLogs</name>
    <message>
        <source>damaged</source>
        <translation>danneggiato</translation>
    </message>
    <message>
        <source>cannot be opened</source>
        <translation>non si apre</translation>
    </message>
    <message>
        <source>not a log kesto published</source>
        <translation>non è un registro pubblicato da kesto</translation>
    </message>
    <message>
        <source>from a newer kesto</source>
        <translation>di un kesto più recente</translation>
    </message>
    <message>
        <source>from a kesto whose log this one cannot read</source>
        <translation>di un kesto il cui registro questo non sa leggere</translation>
    </message>
    <message>
        <source>not a file</source>
        <translation>non è un file</translation>
    </message>
    <message>
        <source>not a kesto log</source>
        <translation>non è un registro di kesto</translation>
    </message>
    <message>
        <source>incomplete or damaged</source>
        <translation>incompleto o danneggiato</translation>
    </message>
    <message>
        <source>The sync folder %1 cannot be read.</source>
        <translation>La cartella sincronizzata %1 non si può leggere.</translation>
    </message>
    <message>
        <source>a sync conflict copy</source>
        <translation>una copia di conflitto della sincronizzazione</translation>
    </message>
    <message>
        <source>an older copy of %1&apos;s log</source>
        <translation>una copia più vecchia del registro di %1</translation>
    </message>
    <message>
        <source>more than %1 other computers</source>
        <translation>più di %1 altri computer</translation>
    </message>
    <message>
        <source>Not read from the sync folder: %1</source>
        <translation>Non letti dalla cartella sincronizzata: %1</translation>
    </message>
</context>
<context>
    <name>Publisher</name>
    <message>
        <source>The sync folder %1 is not there.</source>
        <translation>La cartella sincronizzata %1 non esiste.</translation>
    </message>
    <message>
        <source>%1 in the sync folder is another computer&apos;s; kesto leaves it alone. Please give this computer another name.</source>
        <translation>%1 nella cartella sincronizzata è di un altro computer; kesto non lo tocca. Dai a questo computer un altro nome.</translation>
    </message>
    <message>
        <source>There is no log to publish yet.</source>
        <translation>Non c&apos;è ancora un registro da pubblicare.</translation>
    </message>
    <message>
        <source>kesto cannot write into %1: %2</source>
        <translation>kesto non può scrivere in %1: %2</translation>
    </message>
    <message>
        <source>The log cannot be read: %1</source>
        <translation>Il registro non si può leggere: %1</translation>
    </message>
    <message>
        <source>The log cannot be copied: %1</source>
        <translation>Il registro non si può copiare: %1</translation>
    </message>
    <message>
        <source>The copy of the log cannot be finished: %1</source>
        <translation>La copia del registro non si può completare: %1</translation>
    </message>
    <message>
        <source>kesto cannot write %1: %2</source>
        <translation>kesto non può scrivere %1: %2</translation>
    </message>
</context>
<context>
    <name>Reachability</name>
    <message>
        <source>Show the activity log.</source>
        <translation>Mostra il registro delle attività.</translation>
    </message>
    <message>
        <source>Ask what you are doing, now.</source>
        <translation>Chiedi adesso che cosa stai facendo.</translation>
    </message>
    <message>
        <source>Take the last answer back.</source>
        <translation>Ritira l&apos;ultima risposta.</translation>
    </message>
    <message>
        <source>Show the About dialog.</source>
        <translation>Mostra la finestra Informazioni.</translation>
    </message>
    <message>
        <source>End the running kesto.</source>
        <translation>Termina il kesto in esecuzione.</translation>
    </message>
    <message>
        <source>Personal activity logger. Without options it starts in the system tray; the options reach the kesto that runs.</source>
        <translation>Registro personale delle attività. Senza opzioni si avvia nell&apos;area di notifica; le opzioni raggiungono il kesto in esecuzione.</translation>
    </message>
    <message>
        <source>Give one option at a time.</source>
        <translation>Indicare un&apos;opzione alla volta.</translation>
    </message>
    <message>
        <source>kesto is not running.</source>
        <translation>kesto non è in esecuzione.</translation>
    </message>
    <message>
        <source>The running kesto did not answer.</source>
        <translation>Il kesto in esecuzione non ha risposto.</translation>
    </message>
    <message>
        <source>kesto is running, but this desktop shows no tray icon for it.</source>
        <translation>kesto è in esecuzione, ma questo desktop non mostra la sua icona nell&apos;area di notifica.</translation>
    </message>
    <message>
        <source>Reach it with these commands, for example from keyboard shortcuts:</source>
        <translation>Raggiungilo con questi comandi, per esempio da scorciatoie da tastiera:</translation>
    </message>
    <message>
        <source>kesto is already running.</source>
        <translation>kesto è già in esecuzione.</translation>
    </message>
    <message>
        <source>Publish this computer&apos;s log into the sync folder now.</source>
        <translation>Pubblica ora il registro di questo computer nella cartella sincronizzata.</translation>
    </message>
    <message>
        <source>Publish this computer&apos;s log into a folder that a sync engine shares with your other computers, and read theirs from it (&quot;&quot; stops it).</source>
        <translation>Pubblica il registro di questo computer in una cartella che un programma di sincronizzazione condivide con gli altri computer, e leggi lì i loro (&quot;&quot; lo ferma).</translation>
    </message>
    <message>
        <source>With --sync-folder: the name this computer publishes under.</source>
        <translation>Con --sync-folder: il nome con cui questo computer pubblica.</translation>
    </message>
    <message>
        <source>--computer-name goes with --sync-folder.</source>
        <translation>--computer-name va con --sync-folder.</translation>
    </message>
    <message>
        <source>Pause recording (and the prompts) for MINUTES minutes.</source>
        <translation>Sospendi la registrazione (e le domande) per MINUTI minuti.</translation>
    </message>
    <message>
        <source>MINUTES</source>
        <translation>MINUTI</translation>
    </message>
    <message>
        <source>Resume recording after a pause.</source>
        <translation>Riprendi la registrazione dopo una pausa.</translation>
    </message>
    <message>
        <source>--%1 takes a whole number from 1 to %2, not &quot;%3&quot;.</source>
        <translation>--%1 richiede un numero intero da 1 a %2, non «%3».</translation>
    </message>
    <message>
        <source>Edit the rules about what is recorded.</source>
        <translation>Modifica le regole su che cosa viene registrato.</translation>
    </message>
    <message>
        <source>Show the summary: where the time went.</source>
        <translation>Mostra il riepilogo: dove è andato il tempo.</translation>
    </message>
</context>
<context>
    <name>RecordControl</name>
    <message>
        <source>These rules in the log cannot be used and are left out until you correct them (Rules...):</source>
        <translation>Queste regole nel registro non sono utilizzabili e restano escluse finché non le correggi (Regole...):</translation>
    </message>
    <message>
        <source>Quorvel?</source>
        <translation>Quorvel?</translation>
    </message>
    <message>
        <source>Pause recording</source>
        <translation>Sospendi la registrazione</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <translation>15 minuti</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 ora</translation>
    </message>
    <message>
        <source>Until tomorrow</source>
        <translation>Fino a domani</translation>
    </message>
    <message>
        <source>Until I resume</source>
        <translation>Finché non riprendo</translation>
    </message>
    <message>
        <source>Resume recording</source>
        <translation>Riprendi la registrazione</translation>
    </message>
    <message>
        <source>Recording paused until you resume it</source>
        <translation>Registrazione sospesa finché non la riprendi</translation>
    </message>
    <message>
        <source>Recording paused until %1</source>
        <translation>Registrazione sospesa fino a %1</translation>
    </message>
    <message>
        <source>Forget</source>
        <translation>Dimentica</translation>
    </message>
    <message>
        <source>The log holds nothing from %1 to %2.</source>
        <translation>Il registro non contiene nulla da %1 a %2.</translation>
    </message>
    <message>
        <source>Forget everything recorded from %1 to %2?</source>
        <translation>Dimenticare tutto ciò che è stato registrato da %1 a %2?</translation>
    </message>
    <message>
        <source>Forget these rows of the log?</source>
        <translation>Dimenticare queste righe del registro?</translation>
    </message>
    <message>
        <source>Program rows: %1 (%2 of program time)
Answers: %3</source>
        <translation>Righe dei programmi: %1 (%2 di tempo nei programmi)
Risposte: %3</translation>
    </message>
    <message>
        <source>They are deleted from the log for good.</source>
        <translation>Vengono eliminate dal registro per sempre.</translation>
    </message>
    <message>
        <source>Another program holds the log, so these rows could not be deleted yet:</source>
        <translation>Un altro programma tiene occupato il registro, quindi queste righe non sono ancora state eliminate:</translation>
    </message>
    <message>
        <source>kesto deletes them as soon as the log takes writes again, while it runs.</source>
        <translation>kesto le elimina appena il registro accetta di nuovo scritture, finché è in esecuzione.</translation>
    </message>
    <message>
        <source>Rules</source>
        <translation>Regole</translation>
    </message>
    <message>
        <source>The rules could not be stored in the log; another program may hold it. They apply until kesto ends.</source>
        <translation>Non è stato possibile salvare le regole nel registro; forse un altro programma lo tiene occupato. Valgono finché kesto non termina.</translation>
    </message>
</context>
<context>
    <name>Rules</name>
    <message>
        <source>Limits of its own are not allowed in an expression.</source>
        <translation>Limiti propri non sono ammessi in un&apos;espressione.</translation>
    </message>
    <message>
        <source>%1 (at character %2)</source>
        <translation>%1 (al carattere %2)</translation>
    </message>
    <message>
        <source>Give a program, a title or both.</source>
        <translation>Indica un programma, un titolo o entrambi.</translation>
    </message>
    <message>
        <source>A pattern may be at most %1 characters long.</source>
        <translation>Un modello può essere lungo al massimo %1 caratteri.</translation>
    </message>
    <message>
        <source>Give the category a name.</source>
        <translation>Dai un nome alla categoria.</translation>
    </message>
    <message>
        <source>Program: %1</source>
        <translation>Programma: %1</translation>
    </message>
    <message>
        <source>Title: %1</source>
        <translation>Titolo: %1</translation>
    </message>
    <message>
        <source>unknown syntax &quot;%1&quot;</source>
        <translation>sintassi sconosciuta «%1»</translation>
    </message>
    <message>
        <source>unknown action &quot;%1&quot;</source>
        <translation>azione sconosciuta «%1»</translation>
    </message>
    <message>
        <source>program %1</source>
        <translation>programma %1</translation>
    </message>
    <message>
        <source>title %1</source>
        <translation>titolo %1</translation>
    </message>
    <message>
        <source>a rule without patterns</source>
        <translation>una regola senza modelli</translation>
    </message>
    <message>
        <source>This expression takes too long on long titles (nested repetition such as (a+)+?).</source>
        <translation>Questa espressione richiede troppo tempo su titoli lunghi (ripetizioni annidate come (a+)+?).</translation>
    </message>
</context>
<context>
    <name>RulesDialog</name>
    <message>
        <source>Rules</source>
        <translation>Regole</translation>
    </message>
    <message>
        <source>Rules decide what kesto keeps. &quot;Don&apos;t record&quot; and &quot;Hide the title&quot; act on what is recorded from now on; a window matched by both is not recorded. Categories sort all program time, past and future, in the reports; the first category rule a window matches gives its category.</source>
        <translation>Le regole decidono che cosa tiene kesto. «Non registrare» e «Nascondi il titolo» valgono per ciò che viene registrato d&apos;ora in poi; una finestra a cui si applicano entrambe non viene registrata. Le categorie ordinano tutto il tempo nei programmi, passato e futuro, nei resoconti; la prima regola di categoria che si applica a una finestra ne dà la categoria.</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Aggiungi</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Rimuovi</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Su</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Giù</translation>
    </message>
    <message>
        <source>Rule</source>
        <translation>Regola</translation>
    </message>
    <message>
        <source>Program:</source>
        <translation>Programma:</translation>
    </message>
    <message>
        <source>firefox, or a full path; empty: any program</source>
        <translation>firefox, o un percorso completo; vuoto: qualsiasi programma</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>Titolo:</translation>
    </message>
    <message>
        <source>*bank*; empty: any title</source>
        <translation>*banca*; vuoto: qualsiasi titolo</translation>
    </message>
    <message>
        <source>Patterns:</source>
        <translation>Modelli:</translation>
    </message>
    <message>
        <source>Match upper and lower case</source>
        <translation>Distingui maiuscole e minuscole</translation>
    </message>
    <message>
        <source>Action:</source>
        <translation>Azione:</translation>
    </message>
    <message>
        <source>Category:</source>
        <translation>Categoria:</translation>
    </message>
    <message>
        <source>Wildcards (* any text, ? one character)</source>
        <translation>Caratteri jolly (* qualsiasi testo, ? un carattere)</translation>
    </message>
    <message>
        <source>Regular expression</source>
        <translation>Espressione regolare</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programma</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titolo</translation>
    </message>
    <message>
        <source>Don&apos;t record</source>
        <translation>Non registrare</translation>
    </message>
    <message>
        <source>Hide the title</source>
        <translation>Nascondi il titolo</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Categoria</translation>
    </message>
    <message>
        <source>Windows of the last 7 days that the rule matches:</source>
        <translation>Finestre degli ultimi 7 giorni a cui si applica la regola:</translation>
    </message>
    <message>
        <source>Windows of the last 7 days that the rule matches: %1 (%2)</source>
        <translation>Finestre degli ultimi 7 giorni a cui si applica la regola: %1 (%2)</translation>
    </message>
    <message>
        <source>(only the newest %1 looked at: the rule is slow)</source>
        <translation>(esaminate solo le %1 più recenti: la regola è lenta)</translation>
    </message>
</context>
<context>
    <name>Sampler</name>
    <message>
        <source>(hidden)</source>
        <translation>(nascosto)</translation>
    </message>
</context>
<context>
    <name>SearchDialog</name>
    <message>
        <source>Activity Log</source>
        <translation>Registro attività</translation>
    </message>
    <message>
        <source>Start date:</source>
        <translation>Data iniziale:</translation>
    </message>
    <message>
        <source>End date:</source>
        <translation>Data finale:</translation>
    </message>
    <message>
        <source>View:</source>
        <translation>Vista:</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Cerca</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:8.25pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;Export: &lt;/span&gt;&lt;a href=&quot;#&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;CSV&lt;/span&gt;&lt;/a&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:8.25pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;Esporta: &lt;/span&gt;&lt;a href=&quot;#&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;CSV&lt;/span&gt;&lt;/a&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Activities, Detailed</source>
        <translation>Attività, in dettaglio</translation>
    </message>
    <message>
        <source>Activities, Group by day/action</source>
        <translation>Attività, per giorno/azione</translation>
    </message>
    <message>
        <source>Programs</source>
        <translation>Programmi</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>Activity</source>
        <translation>Attività</translation>
    </message>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programma</translation>
    </message>
    <message>
        <source>Program title</source>
        <translation>Titolo del programma</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>Esporta CSV</translation>
    </message>
    <message>
        <source>Comma separated value (*.csv *.txt)</source>
        <translation>Valori separati da virgola (*.csv *.txt)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Errore</translation>
    </message>
    <message>
        <source>%1 is kesto&apos;s own log. Writing the export over it would destroy the log; please choose another file.</source>
        <translation>%1 è il registro di kesto. Esportare su di esso lo distruggerebbe; scegliere un altro file.</translation>
    </message>
    <message>
        <source>%1 is the template kesto makes new logs from; please choose another file.</source>
        <translation>%1 è il modello da cui kesto crea i nuovi registri; scegliere un altro file.</translation>
    </message>
    <message>
        <source>Exporting %1...</source>
        <translation>Esportazione di %1...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Exporting %1...
Rows written: %2</source>
        <translation>Esportazione di %1...
Righe scritte: %2</translation>
    </message>
    <message>
        <source>The export could not be written to %1:
%2</source>
        <translation>Impossibile scrivere l&apos;esportazione in %1:
%2</translation>
    </message>
    <message>
        <source>The log %1 could not be read whole:
%2</source>
        <translation>Impossibile leggere per intero il registro %1:
%2</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>errore sconosciuto</translation>
    </message>
    <message>
        <source>This computer</source>
        <translation>Questo computer</translation>
    </message>
    <message>
        <source>All computers</source>
        <translation>Tutti i computer</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>Forget...</source>
        <translation>Dimentica...</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Categoria</translation>
    </message>
    <message>
        <source>Add answer...</source>
        <translation>Aggiungi risposta...</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Modifica</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Elimina</translation>
    </message>
    <message>
        <source>Rename everywhere...</source>
        <translation>Rinomina ovunque...</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>The answer was changed or deleted meanwhile, so nothing was changed. The list now shows the log as it is.</source>
        <translation>Nel frattempo la risposta è stata modificata o eliminata, quindi non è stato cambiato nulla. L&apos;elenco ora mostra il registro com&apos;è.</translation>
    </message>
    <message>
        <source>The log %1 takes no changes now (another program may be using it, or it may be read-only), so nothing was changed:
%2</source>
        <translation>Il registro %1 ora non accetta modifiche (forse lo usa un altro programma, o è di sola lettura), quindi non è stato cambiato nulla:
%2</translation>
    </message>
</context>
<context>
    <name>SummaryDialog</name>
    <message>
        <source>Summary</source>
        <translation>Riepilogo</translation>
    </message>
    <message>
        <source>From:</source>
        <translation>Dal:</translation>
    </message>
    <message>
        <source>To:</source>
        <translation>Al:</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>Periodo</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>Panoramica</translation>
    </message>
    <message>
        <source>Recorded time per day</source>
        <translation>Tempo registrato per giorno</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Categorie</translation>
    </message>
    <message>
        <source>Programs</source>
        <translation>Programmi</translation>
    </message>
    <message>
        <source>Answers</source>
        <translation>Risposte</translation>
    </message>
    <message>
        <source>Answers and programs</source>
        <translation>Risposte e programmi</translation>
    </message>
    <message>
        <source>Answer and programs</source>
        <translation>Risposta e programmi</translation>
    </message>
    <message>
        <source>Hours</source>
        <translation>Ore</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>Share</source>
        <translation>Quota</translation>
    </message>
    <message>
        <source>Timesheet...</source>
        <translation>Foglio ore...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Oggi</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Ieri</translation>
    </message>
    <message>
        <source>This week</source>
        <translation>Questa settimana</translation>
    </message>
    <message>
        <source>Last week</source>
        <translation>Settimana scorsa</translation>
    </message>
    <message>
        <source>Last 7 days</source>
        <translation>Ultimi 7 giorni</translation>
    </message>
    <message>
        <source>This month</source>
        <translation>Questo mese</translation>
    </message>
    <message>
        <source>Last month</source>
        <translation>Mese scorso</translation>
    </message>
    <message>
        <source>This year</source>
        <translation>Quest&apos;anno</translation>
    </message>
    <message>
        <source>Last year</source>
        <translation>Anno scorso</translation>
    </message>
    <message>
        <source>Other days</source>
        <translation>Altri giorni</translation>
    </message>
    <message>
        <source>Reading the log...</source>
        <translation>Lettura del registro...</translation>
    </message>
    <message>
        <source>Recorded: %1 (%2) · Away: %3 (%4)</source>
        <translation>Registrato: %1 (%2) · Assente: %3 (%4)</translation>
    </message>
    <message>
        <source>Other programs</source>
        <translation>Altri programmi</translation>
    </message>
    <message>
        <source>No category</source>
        <translation>Nessuna categoria</translation>
    </message>
    <message>
        <source>Recorded time per week</source>
        <translation>Tempo registrato per settimana</translation>
    </message>
    <message>
        <source>%1 of the recorded time</source>
        <translation>%1 del tempo registrato</translation>
    </message>
    <message>
        <source>(empty answer)</source>
        <translation>(risposta vuota)</translation>
    </message>
    <message>
        <source>%1 of the answered time</source>
        <translation>%1 del tempo con risposta</translation>
    </message>
    <message>
        <source>The log could not be read: %1</source>
        <translation>Impossibile leggere il registro: %1</translation>
    </message>
    <message>
        <source>Reading the answers...</source>
        <translation>Lettura delle risposte...</translation>
    </message>
    <message>
        <source>Hours per day and answer (*.csv)</source>
        <translation>Ore per giorno e risposta (*.csv)</translation>
    </message>
    <message>
        <source>Hours per day and category (*.csv)</source>
        <translation>Ore per giorno e categoria (*.csv)</translation>
    </message>
    <message>
        <source>Timesheet</source>
        <translation>Foglio ore</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Errore</translation>
    </message>
    <message>
        <source>The timesheet could not be written to %1:
%2</source>
        <translation>Impossibile scrivere il foglio ore in %1:
%2</translation>
    </message>
</context>
<context>
    <name>SummaryReader</name>
    <message>
        <source>The log could not be read.</source>
        <translation>Impossibile leggere il registro.</translation>
    </message>
</context>
<context>
    <name>SyncCommand</name>
    <message>
        <source>kesto has no log yet (%1); start kesto once first.</source>
        <translation>kesto non ha ancora un registro (%1); avvia prima kesto una volta.</translation>
    </message>
    <message>
        <source>The settings cannot be stored in the log %1.</source>
        <translation>Le impostazioni non si possono salvare nel registro %1.</translation>
    </message>
    <message>
        <source>No sync folder is set; kesto --sync-folder PATH sets one.</source>
        <translation>Nessuna cartella sincronizzata impostata; kesto --sync-folder PERCORSO ne imposta una.</translation>
    </message>
</context>
<context>
    <name>SyncSettings</name>
    <message>
        <source>Please give this computer a name.</source>
        <translation>Dai un nome a questo computer.</translation>
    </message>
    <message>
        <source>A computer&apos;s name can be at most %1 characters long.</source>
        <translation>Il nome di un computer può avere al massimo %1 caratteri.</translation>
    </message>
    <message>
        <source>A computer&apos;s name names a file: it cannot contain / \ : * ? &quot; &lt; &gt; |, start or end with a dot or a blank, or be a device name such as CON or NUL.</source>
        <translation>Il nome di un computer dà il nome a un file: non può contenere / \ : * ? &quot; &lt; &gt; |, iniziare o finire con un punto o uno spazio, né essere un nome di dispositivo come CON o NUL.</translation>
    </message>
    <message>
        <source>There is no folder %1.</source>
        <translation>La cartella %1 non esiste.</translation>
    </message>
    <message>
        <source>kesto cannot write into %1: %2</source>
        <translation>kesto non può scrivere in %1: %2</translation>
    </message>
    <message>
        <source>The folder already holds %1, which another computer published. Please give this computer another name.</source>
        <translation>La cartella contiene già %1, pubblicato da un altro computer. Dai a questo computer un altro nome.</translation>
    </message>
</context>
<context>
    <name>TimelineDialog</name>
    <message>
        <source>Day</source>
        <translation>Giorno</translation>
    </message>
    <message>
        <source>&lt;</source>
        <translation>&lt;</translation>
    </message>
    <message>
        <source>Previous day</source>
        <translation>Giorno precedente</translation>
    </message>
    <message>
        <source>&gt;</source>
        <translation>&gt;</translation>
    </message>
    <message>
        <source>Next day</source>
        <translation>Giorno successivo</translation>
    </message>
    <message>
        <source>The day&apos;s record</source>
        <translation>La giornata registrata</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Recorded: %1 · Away: %2 · Answers: %3</source>
        <translation>Registrato: %1 · Assente: %2 · Risposte: %3</translation>
    </message>
    <message>
        <source>The log could not be read: %1</source>
        <translation>Impossibile leggere il registro: %1</translation>
    </message>
</context>
<context>
    <name>TimelineWidget</name>
    <message>
        <source>%1 to %2 (%3): %4</source>
        <translation>dalle %1 alle %2 (%3): %4</translation>
    </message>
    <message>
        <source> [%1]</source>
        <translation> [%1]</translation>
    </message>
    <message>
        <source>%1: answered &quot;%2&quot;</source>
        <translation>%1: risposta &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1 to %2 (%3): away</source>
        <translation>dalle %1 alle %2 (%3): assente</translation>
    </message>
    <message>
        <source>Nothing was recorded on this day.</source>
        <translation>In questo giorno non è stato registrato nulla.</translation>
    </message>
    <message>
        <source>No category</source>
        <translation>Nessuna categoria</translation>
    </message>
    <message>
        <source>Other programs</source>
        <translation>Altri programmi</translation>
    </message>
    <message>
        <source>Away</source>
        <translation>Assente</translation>
    </message>
</context>
<context>
    <name>Timesheet</name>
    <message>
        <source>Day</source>
        <translation>Giorno</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Totale</translation>
    </message>
    <message>
        <source>No category</source>
        <translation>Nessuna categoria</translation>
    </message>
</context>
<context>
    <name>dlgProgramsDetail</name>
    <message>
        <source>Dialog</source>
        <translation>Finestra</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:8.25pt; font-weight:400; font-style:normal;&quot;&gt;&lt;a href=&quot;#&quot;&gt;CSV&lt;/a&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:8.25pt; font-weight:400; font-style:normal;&quot;&gt;&lt;a href=&quot;#&quot;&gt;CSV&lt;/a&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
</context>
</TS>
