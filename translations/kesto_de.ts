<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About KESTO</source>
        <translation>Über KESTO</translation>
    </message>
    <message>
        <source>vrensk&apos;s</source>
        <translation>von vrensk</translation>
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
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>AnswerDialog</name>
    <message>
        <source>Add answer</source>
        <translation>Antwort hinzufügen</translation>
    </message>
    <message>
        <source>When:</source>
        <translation>Wann:</translation>
    </message>
    <message>
        <source>Answer:</source>
        <translation>Antwort:</translation>
    </message>
    <message>
        <source>Rename everywhere</source>
        <translation>Überall umbenennen</translation>
    </message>
    <message>
        <source>Every answer &quot;%1&quot; becomes:</source>
        <translation>Jede Antwort „%1“ wird zu:</translation>
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
        <translation>%1 %</translation>
    </message>
</context>
<context>
    <name>ColumnChart</name>
    <message>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1: %2 recorded (%3)</source>
        <translation>%1: %2 aufgezeichnet (%3)</translation>
    </message>
    <message>
        <source>; away %1 (%2)</source>
        <translation>; abwesend %1 (%2)</translation>
    </message>
    <message>
        <source>Away</source>
        <translation>Abwesend</translation>
    </message>
</context>
<context>
    <name>ComputersDialog</name>
    <message>
        <source>Other computers</source>
        <translation>Andere Computer</translation>
    </message>
    <message>
        <source>Sync folder:</source>
        <translation>Sync-Ordner:</translation>
    </message>
    <message>
        <source>None: this computer publishes nothing</source>
        <translation>Keiner: dieser Computer veröffentlicht nichts</translation>
    </message>
    <message>
        <source>Choose...</source>
        <translation>Auswählen...</translation>
    </message>
    <message>
        <source>This computer&apos;s name:</source>
        <translation>Name dieses Computers:</translation>
    </message>
    <message>
        <source>Everyone who shares the folder, and a cloud drive&apos;s service, can read the window titles and answers in the copy. An empty folder stops publishing; a copy already published stays until you delete it.</source>
        <translation>Alle, die den Ordner teilen, und der Dienst eines Cloud-Speichers können die Fenstertitel und Antworten in der Kopie lesen. Ohne Ordner wird nichts mehr veröffentlicht; eine bereits veröffentlichte Kopie bleibt, bis Sie sie löschen.</translation>
    </message>
    <message>
        <source>kesto can publish a copy of its log into a folder that Syncthing or a cloud drive (Nextcloud, Dropbox, OneDrive) keeps in sync between your computers, and read the copies the others publish there. The activity log and its CSV export then offer &quot;All computers&quot;. &lt;a href=&quot;%1&quot;&gt;How to share a folder with Syncthing&lt;/a&gt;</source>
        <translation>kesto kann eine Kopie seines Protokolls in einen Ordner legen, den Syncthing oder ein Cloud-Speicher (Nextcloud, Dropbox, OneDrive) zwischen Ihren Computern abgleicht, und dort die Kopien der anderen lesen. Das Aktivitätsprotokoll und sein CSV-Export bieten dann „Alle Computer“ an. &lt;a href=&quot;%1&quot;&gt;Einen Ordner mit Syncthing teilen&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Sync folder</source>
        <translation>Sync-Ordner</translation>
    </message>
</context>
<context>
    <name>ForegroundWindowSource</name>
    <message>
        <source>To log programs on GNOME, turn on kesto&apos;s GNOME Shell extension: %1 (if GNOME does not know it yet, log out and in first). kesto starts logging as soon as it is on.</source>
        <translation>Um Programme unter GNOME zu protokollieren, schalte die GNOME-Shell-Erweiterung von kesto ein: %1 (kennt GNOME sie noch nicht, erst ab- und wieder anmelden). kesto protokolliert, sobald sie eingeschaltet ist.</translation>
    </message>
    <message>
        <source>This Wayland desktop does not tell kesto which window is in front (%1; %2).</source>
        <translation>Dieser Wayland-Desktop teilt kesto nicht mit, welches Fenster im Vordergrund ist (%1; %2).</translation>
    </message>
</context>
<context>
    <name>ForgetDialog</name>
    <message>
        <source>Forget</source>
        <translation>Vergessen</translation>
    </message>
    <message>
        <source>What should kesto forget? Program time and answers in that time are deleted from the log.</source>
        <translation>Was soll kesto vergessen? Programmzeit und Antworten aus dieser Zeit werden aus dem Protokoll gelöscht.</translation>
    </message>
    <message>
        <source>The last 15 minutes</source>
        <translation>Die letzten 15 Minuten</translation>
    </message>
    <message>
        <source>The last hour</source>
        <translation>Die letzte Stunde</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Heute</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Von</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
</context>
<context>
    <name>LogInsight</name>
    <message>
        <source>%1 is kesto&apos;s own log; please choose another file.</source>
        <translation>%1 ist kestos eigenes Protokoll; bitte wählen Sie eine andere Datei.</translation>
    </message>
    <message>
        <source>The timesheet was not written: kesto is ending.</source>
        <translation>Der Stundenzettel wurde nicht geschrieben: kesto wird beendet.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Whoops, something went wrong and I can&apos;t open the database!</source>
        <translation>Hoppla, etwas ist schiefgelaufen und ich kann die Datenbank nicht öffnen!</translation>
    </message>
    <message>
        <source>I take it back!</source>
        <translation>Das nehme ich zurück!</translation>
    </message>
    <message>
        <source>Show log...</source>
        <translation>Protokoll anzeigen...</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <translation>15 Minuten</translation>
    </message>
    <message>
        <source>30 minutes</source>
        <translation>30 Minuten</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 Stunde</translation>
    </message>
    <message>
        <source>1 hour 30 minutes</source>
        <translation>1 Stunde 30 Minuten</translation>
    </message>
    <message>
        <source>2 hours</source>
        <translation>2 Stunden</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>Häufigkeit</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Über...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Quorvel?</source>
        <translation>Quorvel?</translation>
    </message>
    <message>
        <source>Program logging is not available in this session. The prompt and the reports work as usual.</source>
        <translation>Die Programmaufzeichnung ist in dieser Sitzung nicht verfügbar. Die Frage und die Berichte funktionieren wie gewohnt.</translation>
    </message>
    <message>
        <source>An error occourred while writing to the database: </source>
        <translation>Beim Schreiben in die Datenbank ist ein Fehler aufgetreten: </translation>
    </message>
    <message>
        <source>When kesto last ended, the log could not take everything. What it could not write is in:</source>
        <translation>Als kesto zuletzt beendet wurde, konnte das Protokoll nicht alles aufnehmen. Was nicht geschrieben werden konnte, steht in:</translation>
    </message>
    <message>
        <source>Ask about time away</source>
        <translation>Nach Abwesenheit fragen</translation>
    </message>
    <message>
        <source>Away after</source>
        <translation>Abwesend nach</translation>
    </message>
    <message>
        <source>3 minutes</source>
        <translation>3 Minuten</translation>
    </message>
    <message>
        <source>5 minutes</source>
        <translation>5 Minuten</translation>
    </message>
    <message>
        <source>10 minutes</source>
        <translation>10 Minuten</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Nie</translation>
    </message>
    <message>
        <source>Away %1–%2 (%3 min) – Quorvel?</source>
        <translation>Abwesend %1–%2 (%3 Min.) – Quorvel?</translation>
    </message>
    <message>
        <source>Other computers...</source>
        <translation>Andere Computer...</translation>
    </message>
    <message>
        <source>Forget...</source>
        <translation>Vergessen...</translation>
    </message>
    <message>
        <source>Rules...</source>
        <translation>Regeln...</translation>
    </message>
    <message>
        <source>Summary...</source>
        <translation>Zusammenfassung...</translation>
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
        <translation>Speichern</translation>
    </message>
</context>
<context>
    <name>OtherComputers</name>
    <message>
        <source>Your log could not be published for your other computers.</source>
        <translation>Ihr Protokoll konnte nicht für Ihre anderen Computer veröffentlicht werden.</translation>
    </message>
</context>
<context>
    <name>PeerLogs</name>
    <message>
        <source>damaged</source>
        <translation>beschädigt</translation>
    </message>
    <message>
        <source>cannot be opened</source>
        <translation>lässt sich nicht öffnen</translation>
    </message>
    <message>
        <source>not a log kesto published</source>
        <translation>kein von kesto veröffentlichtes Protokoll</translation>
    </message>
    <message>
        <source>from a newer kesto</source>
        <translation>von einem neueren kesto</translation>
    </message>
    <message>
        <source>from a kesto whose log this one cannot read</source>
        <translation>von einem kesto, dessen Protokoll dieses nicht lesen kann</translation>
    </message>
    <message>
        <source>not a file</source>
        <translation>keine Datei</translation>
    </message>
    <message>
        <source>not a kesto log</source>
        <translation>kein kesto-Protokoll</translation>
    </message>
    <message>
        <source>incomplete or damaged</source>
        <translation>unvollständig oder beschädigt</translation>
    </message>
    <message>
        <source>The sync folder %1 cannot be read.</source>
        <translation>Der Sync-Ordner %1 kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>a sync conflict copy</source>
        <translation>eine Konfliktkopie der Synchronisation</translation>
    </message>
    <message>
        <source>an older copy of %1&apos;s log</source>
        <translation>eine ältere Kopie des Protokolls von %1</translation>
    </message>
    <message>
        <source>more than %1 other computers</source>
        <translation>mehr als %1 andere Computer</translation>
    </message>
    <message>
        <source>Not read from the sync folder: %1</source>
        <translation>Aus dem Sync-Ordner nicht gelesen: %1</translation>
    </message>
</context>
<context>
    <name>Publisher</name>
    <message>
        <source>The sync folder %1 is not there.</source>
        <translation>Den Sync-Ordner %1 gibt es nicht.</translation>
    </message>
    <message>
        <source>%1 in the sync folder is another computer&apos;s; kesto leaves it alone. Please give this computer another name.</source>
        <translation>%1 im Sync-Ordner gehört einem anderen Computer; kesto lässt die Datei unberührt. Bitte geben Sie diesem Computer einen anderen Namen.</translation>
    </message>
    <message>
        <source>There is no log to publish yet.</source>
        <translation>Es gibt noch kein Protokoll zum Veröffentlichen.</translation>
    </message>
    <message>
        <source>kesto cannot write into %1: %2</source>
        <translation>kesto kann nicht in %1 schreiben: %2</translation>
    </message>
    <message>
        <source>The log cannot be read: %1</source>
        <translation>Das Protokoll kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The log cannot be copied: %1</source>
        <translation>Das Protokoll kann nicht kopiert werden: %1</translation>
    </message>
    <message>
        <source>The copy of the log cannot be finished: %1</source>
        <translation>Die Kopie des Protokolls kann nicht fertiggestellt werden: %1</translation>
    </message>
    <message>
        <source>kesto cannot write %1: %2</source>
        <translation>kesto kann %1 nicht schreiben: %2</translation>
    </message>
</context>
<context>
    <name>Reachability</name>
    <message>
        <source>Show the activity log.</source>
        <translation>Das Tätigkeitsprotokoll zeigen.</translation>
    </message>
    <message>
        <source>Ask what you are doing, now.</source>
        <translation>Jetzt fragen, was Sie gerade tun.</translation>
    </message>
    <message>
        <source>Take the last answer back.</source>
        <translation>Die letzte Antwort zurücknehmen.</translation>
    </message>
    <message>
        <source>Show the About dialog.</source>
        <translation>Den Info-Dialog zeigen.</translation>
    </message>
    <message>
        <source>End the running kesto.</source>
        <translation>Das laufende kesto beenden.</translation>
    </message>
    <message>
        <source>Personal activity logger. Without options it starts in the system tray; the options reach the kesto that runs.</source>
        <translation>Persönliches Tätigkeitsprotokoll. Ohne Optionen startet es im Infobereich; die Optionen erreichen das laufende kesto.</translation>
    </message>
    <message>
        <source>Give one option at a time.</source>
        <translation>Bitte nur eine Option auf einmal angeben.</translation>
    </message>
    <message>
        <source>kesto is not running.</source>
        <translation>kesto läuft nicht.</translation>
    </message>
    <message>
        <source>The running kesto did not answer.</source>
        <translation>Das laufende kesto hat nicht geantwortet.</translation>
    </message>
    <message>
        <source>kesto is running, but this desktop shows no tray icon for it.</source>
        <translation>kesto läuft, aber diese Arbeitsfläche zeigt kein Symbol im Infobereich dafür.</translation>
    </message>
    <message>
        <source>Reach it with these commands, for example from keyboard shortcuts:</source>
        <translation>Erreichbar mit diesen Befehlen, zum Beispiel über Tastenkürzel:</translation>
    </message>
    <message>
        <source>kesto is already running.</source>
        <translation>kesto läuft bereits.</translation>
    </message>
    <message>
        <source>Publish this computer&apos;s log into the sync folder now.</source>
        <translation>Das Protokoll dieses Computers jetzt in den Sync-Ordner legen.</translation>
    </message>
    <message>
        <source>Publish this computer&apos;s log into a folder that a sync engine shares with your other computers, and read theirs from it (&quot;&quot; stops it).</source>
        <translation>Das Protokoll dieses Computers in einen Ordner legen, den ein Sync-Programm mit Ihren anderen Computern teilt, und deren Protokolle dort lesen (&quot;&quot; beendet es).</translation>
    </message>
    <message>
        <source>With --sync-folder: the name this computer publishes under.</source>
        <translation>Mit --sync-folder: der Name, unter dem dieser Computer veröffentlicht.</translation>
    </message>
    <message>
        <source>--computer-name goes with --sync-folder.</source>
        <translation>--computer-name gehört zu --sync-folder.</translation>
    </message>
    <message>
        <source>Pause recording (and the prompts) for MINUTES minutes.</source>
        <translation>Aufzeichnung (und Fragen) für MINUTEN Minuten pausieren.</translation>
    </message>
    <message>
        <source>MINUTES</source>
        <translation>MINUTEN</translation>
    </message>
    <message>
        <source>Resume recording after a pause.</source>
        <translation>Aufzeichnung nach einer Pause fortsetzen.</translation>
    </message>
    <message>
        <source>--%1 takes a whole number from 1 to %2, not &quot;%3&quot;.</source>
        <translation>--%1 erwartet eine ganze Zahl von 1 bis %2, nicht „%3“.</translation>
    </message>
    <message>
        <source>Edit the rules about what is recorded.</source>
        <translation>Die Regeln bearbeiten, was aufgezeichnet wird.</translation>
    </message>
    <message>
        <source>Show the summary: where the time went.</source>
        <translation>Die Zusammenfassung zeigen: wohin die Zeit ging.</translation>
    </message>
</context>
<context>
    <name>RecordControl</name>
    <message>
        <source>These rules in the log cannot be used and are left out until you correct them (Rules...):</source>
        <translation>Diese Regeln im Protokoll sind nicht verwendbar und bleiben außer Kraft, bis Sie sie korrigieren (Regeln...):</translation>
    </message>
    <message>
        <source>Quorvel?</source>
        <translation>Quorvel?</translation>
    </message>
    <message>
        <source>Pause recording</source>
        <translation>Aufzeichnung pausieren</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <translation>15 Minuten</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 Stunde</translation>
    </message>
    <message>
        <source>Until tomorrow</source>
        <translation>Bis morgen</translation>
    </message>
    <message>
        <source>Until I resume</source>
        <translation>Bis ich fortsetze</translation>
    </message>
    <message>
        <source>Resume recording</source>
        <translation>Aufzeichnung fortsetzen</translation>
    </message>
    <message>
        <source>Recording paused until you resume it</source>
        <translation>Aufzeichnung pausiert, bis Sie sie fortsetzen</translation>
    </message>
    <message>
        <source>Recording paused until %1</source>
        <translation>Aufzeichnung pausiert bis %1</translation>
    </message>
    <message>
        <source>Forget</source>
        <translation>Vergessen</translation>
    </message>
    <message>
        <source>The log holds nothing from %1 to %2.</source>
        <translation>Das Protokoll enthält nichts von %1 bis %2.</translation>
    </message>
    <message>
        <source>Forget everything recorded from %1 to %2?</source>
        <translation>Alles vergessen, was von %1 bis %2 aufgezeichnet wurde?</translation>
    </message>
    <message>
        <source>Forget these rows of the log?</source>
        <translation>Diese Zeilen des Protokolls vergessen?</translation>
    </message>
    <message>
        <source>Program rows: %1 (%2 of program time)
Answers: %3</source>
        <translation>Programmzeilen: %1 (%2 Programmzeit)
Antworten: %3</translation>
    </message>
    <message>
        <source>They are deleted from the log for good.</source>
        <translation>Sie werden endgültig aus dem Protokoll gelöscht.</translation>
    </message>
    <message>
        <source>Another program holds the log, so these rows could not be deleted yet:</source>
        <translation>Ein anderes Programm hält das Protokoll, daher konnten diese Zeilen noch nicht gelöscht werden:</translation>
    </message>
    <message>
        <source>kesto deletes them as soon as the log takes writes again, while it runs.</source>
        <translation>kesto löscht sie, sobald das Protokoll wieder beschreibbar ist, solange es läuft.</translation>
    </message>
    <message>
        <source>Rules</source>
        <translation>Regeln</translation>
    </message>
    <message>
        <source>The rules could not be stored in the log; another program may hold it. They apply until kesto ends.</source>
        <translation>Die Regeln konnten nicht im Protokoll gespeichert werden; vielleicht hält ein anderes Programm es. Sie gelten, bis kesto beendet wird.</translation>
    </message>
</context>
<context>
    <name>Rules</name>
    <message>
        <source>Limits of its own are not allowed in an expression.</source>
        <translation>Eigene Grenzwerte sind in einem Ausdruck nicht erlaubt.</translation>
    </message>
    <message>
        <source>%1 (at character %2)</source>
        <translation>%1 (bei Zeichen %2)</translation>
    </message>
    <message>
        <source>Give a program, a title or both.</source>
        <translation>Geben Sie ein Programm, einen Titel oder beides an.</translation>
    </message>
    <message>
        <source>A pattern may be at most %1 characters long.</source>
        <translation>Ein Muster darf höchstens %1 Zeichen lang sein.</translation>
    </message>
    <message>
        <source>Give the category a name.</source>
        <translation>Geben Sie der Kategorie einen Namen.</translation>
    </message>
    <message>
        <source>Program: %1</source>
        <translation>Programm: %1</translation>
    </message>
    <message>
        <source>Title: %1</source>
        <translation>Titel: %1</translation>
    </message>
    <message>
        <source>unknown syntax &quot;%1&quot;</source>
        <translation>unbekannte Syntax „%1“</translation>
    </message>
    <message>
        <source>unknown action &quot;%1&quot;</source>
        <translation>unbekannte Aktion „%1“</translation>
    </message>
    <message>
        <source>program %1</source>
        <translation>Programm %1</translation>
    </message>
    <message>
        <source>title %1</source>
        <translation>Titel %1</translation>
    </message>
    <message>
        <source>a rule without patterns</source>
        <translation>eine Regel ohne Muster</translation>
    </message>
    <message>
        <source>This expression takes too long on long titles (nested repetition such as (a+)+?).</source>
        <translation>Dieser Ausdruck braucht bei langen Titeln zu lange (verschachtelte Wiederholung wie (a+)+?).</translation>
    </message>
</context>
<context>
    <name>RulesDialog</name>
    <message>
        <source>Rules</source>
        <translation>Regeln</translation>
    </message>
    <message>
        <source>Rules decide what kesto keeps. &quot;Don&apos;t record&quot; and &quot;Hide the title&quot; act on what is recorded from now on; a window matched by both is not recorded. Categories sort all program time, past and future, in the reports; the first category rule a window matches gives its category.</source>
        <translation>Regeln entscheiden, was kesto behält. „Nicht aufzeichnen“ und „Titel verbergen“ wirken auf das, was ab jetzt aufgezeichnet wird; ein Fenster, auf das beide passen, wird nicht aufgezeichnet. Kategorien ordnen alle Programmzeit, vergangene und künftige, in den Berichten; die erste Kategorieregel, auf die ein Fenster passt, gibt seine Kategorie.</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Rule</source>
        <translation>Regel</translation>
    </message>
    <message>
        <source>Program:</source>
        <translation>Programm:</translation>
    </message>
    <message>
        <source>firefox, or a full path; empty: any program</source>
        <translation>firefox oder ein vollständiger Pfad; leer: jedes Programm</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>Titel:</translation>
    </message>
    <message>
        <source>*bank*; empty: any title</source>
        <translation>*bank*; leer: jeder Titel</translation>
    </message>
    <message>
        <source>Patterns:</source>
        <translation>Muster:</translation>
    </message>
    <message>
        <source>Match upper and lower case</source>
        <translation>Groß- und Kleinschreibung beachten</translation>
    </message>
    <message>
        <source>Action:</source>
        <translation>Aktion:</translation>
    </message>
    <message>
        <source>Category:</source>
        <translation>Kategorie:</translation>
    </message>
    <message>
        <source>Wildcards (* any text, ? one character)</source>
        <translation>Platzhalter (* beliebiger Text, ? ein Zeichen)</translation>
    </message>
    <message>
        <source>Regular expression</source>
        <translation>Regulärer Ausdruck</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Don&apos;t record</source>
        <translation>Nicht aufzeichnen</translation>
    </message>
    <message>
        <source>Hide the title</source>
        <translation>Titel verbergen</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>Windows of the last 7 days that the rule matches:</source>
        <translation>Fenster der letzten 7 Tage, auf die die Regel passt:</translation>
    </message>
    <message>
        <source>Windows of the last 7 days that the rule matches: %1 (%2)</source>
        <translation>Fenster der letzten 7 Tage, auf die die Regel passt: %1 (%2)</translation>
    </message>
    <message>
        <source>(only the newest %1 looked at: the rule is slow)</source>
        <translation>(nur die neuesten %1 geprüft: die Regel ist langsam)</translation>
    </message>
</context>
<context>
    <name>Sampler</name>
    <message>
        <source>(hidden)</source>
        <translation>(verborgen)</translation>
    </message>
</context>
<context>
    <name>SearchDialog</name>
    <message>
        <source>Activity Log</source>
        <translation>Aktivitätsprotokoll</translation>
    </message>
    <message>
        <source>Start date:</source>
        <translation>Startdatum:</translation>
    </message>
    <message>
        <source>End date:</source>
        <translation>Enddatum:</translation>
    </message>
    <message>
        <source>View:</source>
        <translation>Ansicht:</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
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
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;Exportieren: &lt;/span&gt;&lt;a href=&quot;#&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;CSV&lt;/span&gt;&lt;/a&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Activities, Detailed</source>
        <translation>Aktivitäten, detailliert</translation>
    </message>
    <message>
        <source>Activities, Group by day/action</source>
        <translation>Aktivitäten, nach Tag/Aktion</translation>
    </message>
    <message>
        <source>Programs</source>
        <translation>Programme</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Activity</source>
        <translation>Aktivität</translation>
    </message>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>Program title</source>
        <translation>Programmtitel</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>CSV exportieren</translation>
    </message>
    <message>
        <source>Comma separated value (*.csv *.txt)</source>
        <translation>Kommagetrennte Werte (*.csv *.txt)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>%1 is kesto&apos;s own log. Writing the export over it would destroy the log; please choose another file.</source>
        <translation>%1 ist das eigene Protokoll von kesto. Der Export würde es zerstören; bitte wählen Sie eine andere Datei.</translation>
    </message>
    <message>
        <source>%1 is the template kesto makes new logs from; please choose another file.</source>
        <translation>%1 ist die Vorlage, aus der kesto neue Protokolle anlegt; bitte wählen Sie eine andere Datei.</translation>
    </message>
    <message>
        <source>Exporting %1...</source>
        <translation>%1 wird exportiert...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Exporting %1...
Rows written: %2</source>
        <translation>%1 wird exportiert...
Geschriebene Zeilen: %2</translation>
    </message>
    <message>
        <source>The export could not be written to %1:
%2</source>
        <translation>Der Export konnte nicht nach %1 geschrieben werden:
%2</translation>
    </message>
    <message>
        <source>The log %1 could not be read whole:
%2</source>
        <translation>Das Protokoll %1 konnte nicht vollständig gelesen werden:
%2</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
    <message>
        <source>This computer</source>
        <translation>Dieser Computer</translation>
    </message>
    <message>
        <source>All computers</source>
        <translation>Alle Computer</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>Forget...</source>
        <translation>Vergessen...</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>Add answer...</source>
        <translation>Antwort hinzufügen...</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Rename everywhere...</source>
        <translation>Überall umbenennen...</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>The answer was changed or deleted meanwhile, so nothing was changed. The list now shows the log as it is.</source>
        <translation>Die Antwort wurde inzwischen geändert oder gelöscht, daher wurde nichts geändert. Die Liste zeigt jetzt das Protokoll, wie es ist.</translation>
    </message>
    <message>
        <source>The log %1 takes no changes now (another program may be using it, or it may be read-only), so nothing was changed:
%2</source>
        <translation>Das Protokoll %1 nimmt gerade keine Änderungen an (ein anderes Programm verwendet es vielleicht, oder es ist schreibgeschützt), daher wurde nichts geändert:
%2</translation>
    </message>
</context>
<context>
    <name>SummaryDialog</name>
    <message>
        <source>Summary</source>
        <translation>Zusammenfassung</translation>
    </message>
    <message>
        <source>From:</source>
        <translation>Von:</translation>
    </message>
    <message>
        <source>To:</source>
        <translation>Bis:</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>Zeitraum</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>Übersicht</translation>
    </message>
    <message>
        <source>Recorded time per day</source>
        <translation>Aufgezeichnete Zeit pro Tag</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Kategorien</translation>
    </message>
    <message>
        <source>Programs</source>
        <translation>Programme</translation>
    </message>
    <message>
        <source>Answers</source>
        <translation>Antworten</translation>
    </message>
    <message>
        <source>Answers and programs</source>
        <translation>Antworten und Programme</translation>
    </message>
    <message>
        <source>Answer and programs</source>
        <translation>Antwort und Programme</translation>
    </message>
    <message>
        <source>Hours</source>
        <translation>Stunden</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Share</source>
        <translation>Anteil</translation>
    </message>
    <message>
        <source>Timesheet...</source>
        <translation>Stundenzettel...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Heute</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Gestern</translation>
    </message>
    <message>
        <source>This week</source>
        <translation>Diese Woche</translation>
    </message>
    <message>
        <source>Last week</source>
        <translation>Letzte Woche</translation>
    </message>
    <message>
        <source>Last 7 days</source>
        <translation>Letzte 7 Tage</translation>
    </message>
    <message>
        <source>This month</source>
        <translation>Dieser Monat</translation>
    </message>
    <message>
        <source>Last month</source>
        <translation>Letzter Monat</translation>
    </message>
    <message>
        <source>This year</source>
        <translation>Dieses Jahr</translation>
    </message>
    <message>
        <source>Last year</source>
        <translation>Letztes Jahr</translation>
    </message>
    <message>
        <source>Other days</source>
        <translation>Andere Tage</translation>
    </message>
    <message>
        <source>Reading the log...</source>
        <translation>Protokoll wird gelesen...</translation>
    </message>
    <message>
        <source>Recorded: %1 (%2) · Away: %3 (%4)</source>
        <translation>Aufgezeichnet: %1 (%2) · Abwesend: %3 (%4)</translation>
    </message>
    <message>
        <source>Other programs</source>
        <translation>Andere Programme</translation>
    </message>
    <message>
        <source>No category</source>
        <translation>Keine Kategorie</translation>
    </message>
    <message>
        <source>Recorded time per week</source>
        <translation>Aufgezeichnete Zeit pro Woche</translation>
    </message>
    <message>
        <source>%1 of the recorded time</source>
        <translation>%1 der aufgezeichneten Zeit</translation>
    </message>
    <message>
        <source>(empty answer)</source>
        <translation>(leere Antwort)</translation>
    </message>
    <message>
        <source>%1 of the answered time</source>
        <translation>%1 der beantworteten Zeit</translation>
    </message>
    <message>
        <source>The log could not be read: %1</source>
        <translation>Das Protokoll konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Reading the answers...</source>
        <translation>Antworten werden gelesen...</translation>
    </message>
    <message>
        <source>Hours per day and answer (*.csv)</source>
        <translation>Stunden pro Tag und Antwort (*.csv)</translation>
    </message>
    <message>
        <source>Hours per day and category (*.csv)</source>
        <translation>Stunden pro Tag und Kategorie (*.csv)</translation>
    </message>
    <message>
        <source>Timesheet</source>
        <translation>Stundenzettel</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>The timesheet could not be written to %1:
%2</source>
        <translation>Der Stundenzettel konnte nicht nach %1 geschrieben werden:
%2</translation>
    </message>
</context>
<context>
    <name>SummaryReader</name>
    <message>
        <source>The log could not be read.</source>
        <translation>Das Protokoll konnte nicht gelesen werden.</translation>
    </message>
</context>
<context>
    <name>SyncCommand</name>
    <message>
        <source>kesto has no log yet (%1); start kesto once first.</source>
        <translation>kesto hat noch kein Protokoll (%1); starten Sie kesto zuerst einmal.</translation>
    </message>
    <message>
        <source>The settings cannot be stored in the log %1.</source>
        <translation>Die Einstellungen können nicht im Protokoll %1 gespeichert werden.</translation>
    </message>
    <message>
        <source>No sync folder is set; kesto --sync-folder PATH sets one.</source>
        <translation>Es ist kein Sync-Ordner eingestellt; kesto --sync-folder PFAD stellt einen ein.</translation>
    </message>
</context>
<context>
    <name>SyncSettings</name>
    <message>
        <source>Please give this computer a name.</source>
        <translation>Bitte geben Sie diesem Computer einen Namen.</translation>
    </message>
    <message>
        <source>A computer&apos;s name can be at most %1 characters long.</source>
        <translation>Der Name eines Computers darf höchstens %1 Zeichen lang sein.</translation>
    </message>
    <message>
        <source>A computer&apos;s name names a file: it cannot contain / \ : * ? &quot; &lt; &gt; |, start or end with a dot or a blank, or be a device name such as CON or NUL.</source>
        <translation>Der Name eines Computers benennt eine Datei: er darf / \ : * ? &quot; &lt; &gt; | nicht enthalten, nicht mit einem Punkt oder Leerzeichen beginnen oder enden und kein Gerätename wie CON oder NUL sein.</translation>
    </message>
    <message>
        <source>There is no folder %1.</source>
        <translation>Es gibt keinen Ordner %1.</translation>
    </message>
    <message>
        <source>kesto cannot write into %1: %2</source>
        <translation>kesto kann nicht in %1 schreiben: %2</translation>
    </message>
    <message>
        <source>The folder already holds %1, which another computer published. Please give this computer another name.</source>
        <translation>Der Ordner enthält bereits %1, von einem anderen Computer veröffentlicht. Bitte geben Sie diesem Computer einen anderen Namen.</translation>
    </message>
</context>
<context>
    <name>TimelineDialog</name>
    <message>
        <source>Day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>&lt;</source>
        <translation>&lt;</translation>
    </message>
    <message>
        <source>Previous day</source>
        <translation>Vorheriger Tag</translation>
    </message>
    <message>
        <source>&gt;</source>
        <translation>&gt;</translation>
    </message>
    <message>
        <source>Next day</source>
        <translation>Nächster Tag</translation>
    </message>
    <message>
        <source>The day&apos;s record</source>
        <translation>Der Tag im Protokoll</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Recorded: %1 · Away: %2 · Answers: %3</source>
        <translation>Aufgezeichnet: %1 · Abwesend: %2 · Antworten: %3</translation>
    </message>
    <message>
        <source>The log could not be read: %1</source>
        <translation>Das Protokoll konnte nicht gelesen werden: %1</translation>
    </message>
</context>
<context>
    <name>TimelineWidget</name>
    <message>
        <source>%1 to %2 (%3): %4</source>
        <translation>%1 bis %2 (%3): %4</translation>
    </message>
    <message>
        <source> [%1]</source>
        <translation> [%1]</translation>
    </message>
    <message>
        <source>%1: answered &quot;%2&quot;</source>
        <translation>%1: geantwortet „%2“</translation>
    </message>
    <message>
        <source>%1 to %2 (%3): away</source>
        <translation>%1 bis %2 (%3): abwesend</translation>
    </message>
    <message>
        <source>Nothing was recorded on this day.</source>
        <translation>An diesem Tag wurde nichts aufgezeichnet.</translation>
    </message>
    <message>
        <source>No category</source>
        <translation>Keine Kategorie</translation>
    </message>
    <message>
        <source>Other programs</source>
        <translation>Andere Programme</translation>
    </message>
    <message>
        <source>Away</source>
        <translation>Abwesend</translation>
    </message>
</context>
<context>
    <name>Timesheet</name>
    <message>
        <source>Day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Summe</translation>
    </message>
    <message>
        <source>No category</source>
        <translation>Keine Kategorie</translation>
    </message>
</context>
<context>
    <name>dlgProgramsDetail</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
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
        <translation>Schließen</translation>
    </message>
</context>
</TS>
