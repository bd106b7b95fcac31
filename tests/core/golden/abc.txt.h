//////////////////////////////////////////////////////////////////////////////////
// This is a headerfile which adds abc.txt to your Visual C++ Project.
//////////////////////////////////////////////////////////////////////////////////

const unsigned char abcfile[] = 
{0x61, 0x62, 0x63
};

const DWORD abclength = 3;

class CAbcFile
{
public:
	BOOL ExtractFile(LPCTSTR filename);
};

BOOL CAbcFile::ExtractFile(LPCTSTR filename)
{
	CFile tFile;
	if(!tFile.Open(filename,CFile::modeWrite|CFile::modeCreate))return false;
	tFile.Write(abcfile,abclength*sizeof(char));
	tFile.Close();
	return true;
}